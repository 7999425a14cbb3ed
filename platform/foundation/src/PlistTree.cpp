#include "PlistTree.h"

#include "BufferRecycler.h"

#include <bit>
#include <cassert>
#include <limits>

namespace ns::plist {

Tree::Node Tree::add(Kind kind, std::uint64_t payload, std::uint32_t count, std::uint8_t flags) {
  assert(entries_.size() < kNone);
  entries_.push_back(Entry{kind, flags, count, payload});
  return static_cast<Node>(entries_.size() - 1);
}

Tree::Node Tree::addBytes(Kind kind, std::string_view bytes) {
  assert(bytes.size() <= std::numeric_limits<std::uint32_t>::max());
  std::uint64_t offset = bytes_.size();
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return add(kind, offset, static_cast<std::uint32_t>(bytes.size()));
}

Tree::Node Tree::boolean(bool value) { return add(Kind::Boolean, value ? 1 : 0); }
Tree::Node Tree::integer(std::int64_t value) { return add(Kind::Integer, static_cast<std::uint64_t>(value)); }
Tree::Node Tree::bigUnsigned(std::uint64_t value) {
  // Values that fit a signed integer are plain integers, so equal values compare equal.
  return value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ? add(Kind::Integer, value)
                                                                                        : add(Kind::Integer, value, 0, 1);
}
Tree::Node Tree::real(double value) { return add(Kind::Real, std::bit_cast<std::uint64_t>(value)); }
Tree::Node Tree::date(double seconds) { return add(Kind::Date, std::bit_cast<std::uint64_t>(seconds)); }
Tree::Node Tree::string(std::string_view utf8) { return addBytes(Kind::String, utf8); }
Tree::Node Tree::data(std::string_view bytes) { return addBytes(Kind::Data, bytes); }
Tree::Node Tree::uid(std::uint64_t value) { return add(Kind::Uid, value); }

double Tree::realValue(Node node) const { return std::bit_cast<double>(entries_[node].payload); }

// A span may point into children_ itself (the items of another container), which a
// growing vector would invalidate, so such a span is copied first.
bool Tree::aliases(std::span<const Node> nodes) const {
  return !nodes.empty() && !children_.empty() && nodes.data() >= children_.data() &&
         nodes.data() < children_.data() + children_.size();
}

Tree::Node Tree::array(std::span<const Node> items) {
  if (aliases(items)) {
    std::vector<Node> copy(items.begin(), items.end());
    return array(copy);
  }
  std::uint64_t offset = children_.size();
  children_.insert(children_.end(), items.begin(), items.end());
  return add(Kind::Array, offset, static_cast<std::uint32_t>(items.size()));
}

Tree::Node Tree::dictionary(std::span<const Node> keys, std::span<const Node> values) {
  assert(keys.size() == values.size());
  if (aliases(keys) || aliases(values)) {
    std::vector<Node> k(keys.begin(), keys.end()), v(values.begin(), values.end());
    return dictionary(k, v);
  }
  std::uint64_t offset = children_.size();
  for (Node k : keys) {
    assert(isString(k));
    children_.push_back(k);
  }
  children_.insert(children_.end(), values.begin(), values.end());
  return add(Kind::Dictionary, offset, static_cast<std::uint32_t>(keys.size()));
}

Tree::Node Tree::lookup(Node dictionary, std::string_view key) const {
  if (dictionary >= entries_.size() || kind(dictionary) != Kind::Dictionary) return kNone;
  auto ks = keys(dictionary);
  for (std::size_t i = 0; i < ks.size(); ++i)
    if (stringValue(ks[i]) == key) return values(dictionary)[i];
  return kNone;
}

namespace {

template <class T>
void reserveMore(std::vector<T>& buffer, std::size_t more) {
  if (buffer.empty() && more * sizeof(T) >= ns::detail::kMinKeptBytes) ns::detail::reuseBuffer(buffer, more);
  else buffer.reserve(buffer.size() + more);
}

}  // namespace

void Tree::reserve(std::size_t nodes, std::size_t children, std::size_t bytes) {
  reserveMore(entries_, nodes);
  reserveMore(children_, children);
  reserveMore(bytes_, bytes);
}

Tree::~Tree() {
  ns::detail::recycleBuffer(entries_);
  ns::detail::recycleBuffer(children_);
  ns::detail::recycleBuffer(bytes_);
}

namespace {

bool equalAt(const Tree& a, Tree::Node x, const Tree& b, Tree::Node y, int depth) {
  if (depth > kMaxNesting) return false;
  if (a.kind(x) != b.kind(y)) return false;
  switch (a.kind(x)) {
    case Kind::Boolean:
      return a.boolValue(x) == b.boolValue(y);
    case Kind::Integer:
      return a.integerValue(x) == b.integerValue(y) && a.isBigUnsigned(x) == b.isBigUnsigned(y);
    case Kind::Real:
    case Kind::Date:
      // Bit equality, so that NaN equals itself and 0.0 differs from -0.0.
      return std::bit_cast<std::uint64_t>(a.realValue(x)) == std::bit_cast<std::uint64_t>(b.realValue(y));
    case Kind::String:
    case Kind::Data:
      return a.stringValue(x) == b.stringValue(y);
    case Kind::Uid:
      return a.uidValue(x) == b.uidValue(y);
    case Kind::Array: {
      auto ia = a.items(x), ib = b.items(y);
      if (ia.size() != ib.size()) return false;
      for (std::size_t i = 0; i < ia.size(); ++i)
        if (!equalAt(a, ia[i], b, ib[i], depth + 1)) return false;
      return true;
    }
    case Kind::Dictionary: {
      if (a.count(x) != b.count(y)) return false;
      auto ka = a.keys(x), va = a.values(x);
      for (std::size_t i = 0; i < ka.size(); ++i) {
        Tree::Node other = b.lookup(y, a.stringValue(ka[i]));
        if (other == Tree::kNone || !equalAt(a, va[i], b, other, depth + 1)) return false;
      }
      return true;
    }
  }
  return false;
}

}  // namespace

bool Tree::equal(const Tree& a, Node x, const Tree& b, Node y) { return equalAt(a, x, b, y, 0); }

}  // namespace ns::plist
