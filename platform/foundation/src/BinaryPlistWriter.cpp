// The binary property-list writer: values numbered in preorder, equal scalars stored
// once, the output written in one buffer sized up front.
#include "BinaryPlistWriter.h"

#include "BufferRecycler.h"

#include "PlistUnicode.h"

#include <bit>
#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>

namespace ns::plist {
namespace {

using Node = Tree::Node;
constexpr std::uint32_t kUnassigned = UINT32_MAX;

// Width in bytes of an unsigned number up to `count`, as the format's trailer states it.
int widthFor(std::uint64_t count) {
  if (count < (1ULL << 8)) return 1;
  if (count < (1ULL << 16)) return 2;
  if (count < (1ULL << 32)) return 4;
  return 8;
}

// One table for every scalar value already numbered, so equal values are stored
// once: open addressing over object numbers, each slot keeping its value's hash too,
// so that a probe reads the tree only for a likely match.  Two values are equal when
// they have the same kind (a large unsigned integer apart from the others) and the
// same bits or bytes.
class ScalarTable {
 public:
  // Sized for `expected` distinct values (at most kMaxExpected at first); a table of a
  // large tree may be memory a large write of this thread left behind.
  ScalarTable(const Tree& tree, const std::vector<Node>& objects, std::size_t expected)
      : tree_(tree), objects_(objects) {
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(64, 2 * std::min(expected, kMaxExpected)));
    ns::detail::reuseBuffer(slots_, slots);
    slots_.assign(slots, Slot{});
  }
  ~ScalarTable() { ns::detail::recycleBuffer(slots_); }
  ScalarTable(const ScalarTable&) = delete;
  ScalarTable& operator=(const ScalarTable&) = delete;

  // Starts loading the slot where node's value would be looked up, so that the misses
  // of a table larger than the cache overlap instead of coming one after another.
  void prefetch(Node node) const { __builtin_prefetch(&slots_[static_cast<std::uint32_t>(hash(node)) & (slots_.size() - 1)]); }

  // The object number of the value equal to node's, or kUnassigned after noting that
  // `number` is to be node's.
  std::uint32_t numberFor(Node node, std::uint32_t number) {
    const std::uint64_t h = hash(node);
    // Values that repeat (flags, counts, the same name in every entry) are found in a
    // small table that stays in the cache, before the large one is read.
    Recent& recent = recent_[h & (kRecent - 1)];
    if (recent.hash == h && recent.number != kUnassigned && same(objects_[recent.number], node)) return recent.number;
    const std::uint32_t found = lookup(node, h, number);
    recent = Recent{h, found != kUnassigned ? found : number};
    return found;
  }

 private:
  static constexpr std::size_t kRecent = 512;
  static constexpr std::size_t kMaxExpected = std::size_t{1} << 19;
  struct Recent {
    std::uint64_t hash = 0;
    std::uint32_t number = kUnassigned;
  };

  std::uint32_t lookup(Node node, std::uint64_t h, std::uint32_t number) {
    const auto low = static_cast<std::uint32_t>(h);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = low & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.number == kUnassigned) {
        slot = Slot{number, low};
        if (2 * ++used_ > slots_.size()) grow();
        return kUnassigned;
      }
      if (slot.hash == low && same(objects_[slot.number], node)) return slot.number;
    }
  }

  struct Slot {
    std::uint32_t number = kUnassigned;
    std::uint32_t hash = 0;  // the low half of the value's hash: its place, and a quick check
  };

  static std::uint64_t mix(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    v *= 0xc4ceb9fe1a85ec53ULL;
    v ^= v >> 33;
    return v;
  }
  // Bytes eight at a time; dedup needs spread, not strength against attack.
  static std::uint64_t hashBytes(std::string_view bytes) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      h = (h ^ word) * 0xff51afd7ed558ccdULL;
      h ^= h >> 29;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    return mix(h ^ tail);
  }
  std::uint64_t tag(Node node) const {
    return static_cast<std::uint64_t>(tree_.kind(node)) * 2 + (tree_.isBigUnsigned(node) ? 1 : 0);
  }
  std::uint64_t hash(Node node) const {
    const Kind kind = tree_.kind(node);
    if (kind == Kind::String || kind == Kind::Data) return hashBytes(tree_.stringValue(node)) ^ (tag(node) << 59);
    return mix(tree_.uidValue(node) ^ (tag(node) << 59));
  }
  bool same(Node a, Node b) const {
    if (tree_.kind(a) != tree_.kind(b) || tree_.isBigUnsigned(a) != tree_.isBigUnsigned(b)) return false;
    const Kind kind = tree_.kind(a);
    if (kind == Kind::String || kind == Kind::Data) return tree_.stringValue(a) == tree_.stringValue(b);
    return tree_.uidValue(a) == tree_.uidValue(b);  // the payload's bits, for every other scalar
  }
  void grow() {
    std::vector<Slot> old;
    ns::detail::reuseBuffer(old, slots_.size() * 2);
    old.assign(slots_.size() * 2, Slot{});
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.number == kUnassigned) continue;
      std::size_t i = slot.hash & mask;
      while (slots_[i].number != kUnassigned) i = (i + 1) & mask;
      slots_[i] = slot;
    }
    ns::detail::recycleBuffer(old);
  }

  const Tree& tree_;
  const std::vector<Node>& objects_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  Recent recent_[kRecent];
};

class Writer {
 public:
  explicit Writer(const Tree& tree) : tree_(tree), texts_(tree, objects_, 1024), numbers_(tree, objects_, 256) {
    ns::detail::reuseBuffer(objectOf_, tree.size());
    objectOf_.assign(tree.size(), kUnassigned);
    ns::detail::reuseBuffer(uidNumbers_, tree.size());
    uidNumbers_.assign(tree.size(), kUnassigned);
    ns::detail::reuseBuffer(objects_, tree.size());
  }
  ~Writer() {
    ns::detail::recycleBuffer(objectOf_);
    ns::detail::recycleBuffer(uidNumbers_);
    ns::detail::recycleBuffer(objects_);
  }

  // Numbers the values and measures the output: its exact size in bytes.
  std::size_t layout(Node root) {
    root_ = root;
    flatten(root);
    const std::size_t count = objects_.size();
    refWidth_ = widthFor(count);
    std::size_t size = 8;
    for (Node node : objects_) size += objectSize(node);
    tableOffset_ = size;
    offsetWidth_ = widthFor(tableOffset_);
    return size + count * static_cast<std::size_t>(offsetWidth_) + 32;
  }

  // Writes the whole property list into `out`, which holds layout()'s size.
  // Answers the end of what it wrote, which is out + layout()'s size.
  char* emit(char* out) {
    at_ = out;
    put("bplist00", 8);
    for (Node node : objects_) writeObject(node);
    // The offset table: each object's offset, found again from the sizes.
    std::uint64_t offset = 8;
    for (Node node : objects_) {
      putBigEndian(offset, offsetWidth_);
      offset += objectSize(node);
    }
    std::memset(at_, 0, 6);  // five unused bytes and the sort version
    at_ += 6;
    *at_++ = static_cast<char>(offsetWidth_);
    *at_++ = static_cast<char>(refWidth_);
    putBigEndian(objects_.size(), 8);
    putBigEndian(objectOf_[root_], 8);
    putBigEndian(tableOffset_, 8);
    return at_;
  }

 private:
  // Numbers every distinct value reachable from root, in preorder.  An explicit stack
  // (children pushed in reverse) visits values in exactly the order a recursive walk
  // would, without recursing on deep input.
  void flatten(Node root) {
    std::vector<Node> stack{root};
    while (!stack.empty()) {
      Node node = stack.back();
      stack.pop_back();
      prefetchAhead(stack);
      if (objectOf_[node] != kUnassigned) continue;
      const Kind kind = tree_.kind(node);
      const auto number = static_cast<std::uint32_t>(objects_.size());
      if (kind != Kind::Array && kind != Kind::Dictionary) {
        // UIDs below the tree's size (all of them, in a keyed archive) are numbered
        // through a plain table; other scalars through the hash table.
        // Numbered as a new object unless an equal value already is; the table may
        // look at the new object while it grows, so the object is in place first.
        objects_.push_back(node);
        std::uint32_t shared;
        if (kind == Kind::Uid && tree_.uidValue(node) < uidNumbers_.size()) {
          std::uint32_t& slot = uidNumbers_[tree_.uidValue(node)];
          shared = slot;
          if (shared == kUnassigned) slot = number;
        } else if (kind == Kind::String || kind == Kind::Data) {
          shared = texts_.numberFor(node, number);
        } else {
          shared = numbers_.numberFor(node, number);
        }
        if (shared != kUnassigned) objects_.pop_back();
        objectOf_[node] = shared != kUnassigned ? shared : number;
        continue;
      }
      objectOf_[node] = number;
      objects_.push_back(node);
      if (kind == Kind::Array) {
        auto items = tree_.items(node);
        stack.insert(stack.end(), items.rbegin(), items.rend());
      } else {
        auto keys = tree_.keys(node), values = tree_.values(node);
        stack.insert(stack.end(), values.rbegin(), values.rend());
        stack.insert(stack.end(), keys.rbegin(), keys.rend());
      }
    }
  }

  // The values near the top of the stack are numbered next: the table slot of a
  // scalar a few places down is loaded ahead, so that the misses of tables larger than
  // the cache overlap instead of coming one after another.
  void prefetchAhead(const std::vector<Node>& stack) const {
    constexpr std::size_t kAhead = 6;
    if (stack.size() <= kAhead) return;
    const Node next = stack[stack.size() - 1 - kAhead];
    const Kind kind = tree_.kind(next);
    if (kind == Kind::String || kind == Kind::Data)
      texts_.prefetch(next);
    else if (kind != Kind::Array && kind != Kind::Dictionary && kind != Kind::Uid)
      numbers_.prefetch(next);
  }

  // The bytes an object takes: its marker (with a length) and its content.
  static std::size_t markerSize(std::uint64_t size) { return size < 15 ? 1 : 2 + widthFor(size); }
  std::size_t objectSize(Node node) const {
    switch (tree_.kind(node)) {
      case Kind::Boolean: return 1;
      case Kind::Integer: {
        if (tree_.isBigUnsigned(node)) return 17;
        const std::int64_t v = tree_.integerValue(node);
        return v < 0 ? 9 : 1 + widthFor(static_cast<std::uint64_t>(v));
      }
      case Kind::Real:
      case Kind::Date: return 9;
      case Kind::String: {
        std::string_view text = tree_.stringValue(node);
        if (isAscii(text)) return markerSize(text.size()) + text.size();
        // Rare enough to convert twice; counted exactly as written.
        const std::size_t units = utf16FromUtf8(text).size();
        return markerSize(units) + 2 * units;
      }
      case Kind::Data: return markerSize(tree_.dataValue(node).size()) + tree_.dataValue(node).size();
      case Kind::Uid: return 1 + widthFor(tree_.uidValue(node));
      case Kind::Array: return markerSize(tree_.count(node)) + tree_.count(node) * refWidth_;
      case Kind::Dictionary: return markerSize(tree_.count(node)) + 2 * tree_.count(node) * refWidth_;
    }
    return 0;
  }


  void put(const char* bytes, std::size_t size) {
    std::memcpy(at_, bytes, size);
    at_ += size;
  }

  void putBigEndian(std::uint64_t value, int width) {
    const std::uint64_t big = std::endian::native == std::endian::big ? value : __builtin_bswap64(value);
    std::memcpy(at_, reinterpret_cast<const char*>(&big) + (8 - width), static_cast<std::size_t>(width));
    at_ += width;
  }

  // A marker byte whose low nibble holds a size below 15, or 0xF and a following integer.
  void putMarker(unsigned type, std::uint64_t size) {
    if (size < 15) {
      *at_++ = static_cast<char>(type | size);
      return;
    }
    *at_++ = static_cast<char>(type | 0xF);
    int width = widthFor(size);
    *at_++ = static_cast<char>(0x10 | std::countr_zero(static_cast<unsigned>(width)));
    putBigEndian(size, width);
  }

  void putDouble(unsigned marker, double value) {
    *at_++ = static_cast<char>(marker);
    putBigEndian(std::bit_cast<std::uint64_t>(value), 8);
  }

  void writeInteger(Node node) {
    if (tree_.isBigUnsigned(node)) {
      *at_++ = '\x14';
      putBigEndian(0, 8);
      putBigEndian(tree_.uidValue(node), 8);
      return;
    }
    std::int64_t v = tree_.integerValue(node);
    if (v < 0) {
      *at_++ = '\x13';
      putBigEndian(static_cast<std::uint64_t>(v), 8);
      return;
    }
    int width = widthFor(static_cast<std::uint64_t>(v));
    *at_++ = static_cast<char>(0x10 | std::countr_zero(static_cast<unsigned>(width)));
    putBigEndian(static_cast<std::uint64_t>(v), width);
  }

  void writeString(std::string_view s) {
    if (isAscii(s)) {
      putMarker(0x50, s.size());
      put(s.data(), s.size());
      return;
    }
    std::u16string units = utf16FromUtf8(s);
    putMarker(0x60, units.size());
    for (char16_t u : units) putBigEndian(u, 2);
  }

  void writeRefs(std::span<const Node> nodes) {
    switch (refWidth_) {
      case 1:
        for (Node n : nodes) *at_++ = static_cast<char>(objectOf_[n]);
        break;
      case 2:
        for (Node n : nodes) {
          const std::uint32_t v = objectOf_[n];
          at_[0] = static_cast<char>(v >> 8);
          at_[1] = static_cast<char>(v);
          at_ += 2;
        }
        break;
      default:
        for (Node n : nodes) putBigEndian(objectOf_[n], refWidth_);
    }
  }

  void writeObject(Node node) {
    switch (tree_.kind(node)) {
      case Kind::Boolean:
        *at_++ = tree_.boolValue(node) ? '\x09' : '\x08';
        break;
      case Kind::Integer:
        writeInteger(node);
        break;
      case Kind::Real:
        putDouble(0x23, tree_.realValue(node));
        break;
      case Kind::Date:
        putDouble(0x33, tree_.realValue(node));
        break;
      case Kind::String:
        writeString(tree_.stringValue(node));
        break;
      case Kind::Data:
        putMarker(0x40, tree_.dataValue(node).size());
        put(tree_.dataValue(node).data(), tree_.dataValue(node).size());
        break;
      case Kind::Uid: {
        std::uint64_t v = tree_.uidValue(node);
        int width = widthFor(v);
        *at_++ = static_cast<char>(0x80 | (width - 1));
        putBigEndian(v, width);
        break;
      }
      case Kind::Array:
        putMarker(0xA0, tree_.count(node));
        writeRefs(tree_.items(node));
        break;
      case Kind::Dictionary:
        putMarker(0xD0, tree_.count(node));
        writeRefs(tree_.keys(node));
        writeRefs(tree_.values(node));
        break;
    }
  }

  const Tree& tree_;
  std::vector<std::uint32_t> objectOf_;  // node -> object number
  std::vector<std::uint32_t> uidNumbers_;  // UID value -> object number
  std::vector<Node> objects_;            // object number -> first node with that value
  // Equal scalars are found through two tables that start small and grow as values
  // come: one that stays small stays in the cache.
  ScalarTable texts_;    // strings and data
  ScalarTable numbers_;  // every other scalar
  char* at_ = nullptr;  // the write position
  Node root_ = Tree::kNone;
  std::size_t tableOffset_ = 0;
  int offsetWidth_ = 1;
  int refWidth_ = 1;
};

}  // namespace

std::string writeBinary(const Tree& tree, Tree::Node root) {
  Writer writer(tree);
  std::string out(writer.layout(root), '\0');
  writer.emit(out.data());
  return out;
}

std::vector<std::uint8_t> writeBinaryBytes(const Tree& tree, Tree::Node root) {
  Writer writer(tree);
  const std::size_t size = writer.layout(root);
  std::vector<std::uint8_t> out;
  ns::detail::reuseBufferForOverwrite(out, size);  // emit writes every byte
  [[maybe_unused]] char* end = writer.emit(reinterpret_cast<char*>(out.data()));
  assert(end == reinterpret_cast<char*>(out.data()) + size);
  return out;
}

}  // namespace ns::plist
