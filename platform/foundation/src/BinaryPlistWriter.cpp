#include "BinaryPlistWriter.h"

#include "PlistUnicode.h"

#include <bit>
#include <cstring>
#include <unordered_map>

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

class Writer {
 public:
  explicit Writer(const Tree& tree) : tree_(tree), objectOf_(tree.size(), kUnassigned) {}

  std::string write(Node root) {
    flatten(root);
    const std::size_t count = objects_.size();
    refWidth_ = widthFor(count);
    out_.reserve(64 + count * 8);
    out_ = "bplist00";
    std::vector<std::uint64_t> offsets(count);
    for (std::size_t i = 0; i < count; ++i) {
      offsets[i] = out_.size();
      writeObject(objects_[i]);
    }
    const std::uint64_t tableOffset = out_.size();
    const int offsetWidth = widthFor(tableOffset);
    for (std::uint64_t offset : offsets) putBigEndian(offset, offsetWidth);
    out_.append(6, '\0');  // five unused bytes and the sort version
    out_.push_back(static_cast<char>(offsetWidth));
    out_.push_back(static_cast<char>(refWidth_));
    putBigEndian(count, 8);
    putBigEndian(objectOf_[root], 8);
    putBigEndian(tableOffset, 8);
    return std::move(out_);
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
      if (objectOf_[node] != kUnassigned) continue;
      if (std::uint32_t* shared = scalarSlot(node)) {
        if (*shared != kUnassigned) {
          objectOf_[node] = *shared;
          continue;
        }
        *shared = static_cast<std::uint32_t>(objects_.size());
      }
      objectOf_[node] = static_cast<std::uint32_t>(objects_.size());
      objects_.push_back(node);
      Kind kind = tree_.kind(node);
      if (kind == Kind::Array) {
        auto items = tree_.items(node);
        stack.insert(stack.end(), items.rbegin(), items.rend());
      } else if (kind == Kind::Dictionary) {
        auto keys = tree_.keys(node), values = tree_.values(node);
        stack.insert(stack.end(), values.rbegin(), values.rend());
        stack.insert(stack.end(), keys.rbegin(), keys.rend());
      }
    }
  }

  // The object number slot shared by every scalar equal to node's value, or nullptr
  // for containers (which are shared only when they are the same node).
  std::uint32_t* scalarSlot(Node node) {
    auto slot = [](auto& map, auto key) -> std::uint32_t* { return &map.try_emplace(key, kUnassigned).first->second; };
    switch (tree_.kind(node)) {
      case Kind::Boolean:
        return &booleans_[tree_.boolValue(node) ? 1 : 0];
      case Kind::Integer:
        return tree_.isBigUnsigned(node) ? slot(bigIntegers_, tree_.uidValue(node))
                                         : slot(integers_, static_cast<std::uint64_t>(tree_.integerValue(node)));
      case Kind::Real:
        return slot(reals_, std::bit_cast<std::uint64_t>(tree_.realValue(node)));
      case Kind::Date:
        return slot(dates_, std::bit_cast<std::uint64_t>(tree_.realValue(node)));
      case Kind::Uid:
        return slot(uids_, tree_.uidValue(node));
      case Kind::String:
        return slot(strings_, tree_.stringValue(node));
      case Kind::Data:
        return slot(datas_, tree_.dataValue(node));
      case Kind::Array:
      case Kind::Dictionary:
        return nullptr;
    }
    return nullptr;
  }

  void putBigEndian(std::uint64_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) out_.push_back(static_cast<char>(value >> shift));
  }

  // A marker byte whose low nibble holds a size below 15, or 0xF and a following integer.
  void putMarker(unsigned type, std::uint64_t size) {
    if (size < 15) {
      out_.push_back(static_cast<char>(type | size));
      return;
    }
    out_.push_back(static_cast<char>(type | 0xF));
    int width = widthFor(size);
    out_.push_back(static_cast<char>(0x10 | std::countr_zero(static_cast<unsigned>(width))));
    putBigEndian(size, width);
  }

  void putDouble(unsigned marker, double value) {
    out_.push_back(static_cast<char>(marker));
    putBigEndian(std::bit_cast<std::uint64_t>(value), 8);
  }

  void writeInteger(Node node) {
    if (tree_.isBigUnsigned(node)) {
      out_.push_back('\x14');
      putBigEndian(0, 8);
      putBigEndian(tree_.uidValue(node), 8);
      return;
    }
    std::int64_t v = tree_.integerValue(node);
    if (v < 0) {
      out_.push_back('\x13');
      putBigEndian(static_cast<std::uint64_t>(v), 8);
      return;
    }
    int width = widthFor(static_cast<std::uint64_t>(v));
    out_.push_back(static_cast<char>(0x10 | std::countr_zero(static_cast<unsigned>(width))));
    putBigEndian(static_cast<std::uint64_t>(v), width);
  }

  void writeString(std::string_view s) {
    if (isAscii(s)) {
      putMarker(0x50, s.size());
      out_.append(s);
      return;
    }
    std::u16string units = utf16FromUtf8(s);
    putMarker(0x60, units.size());
    for (char16_t u : units) putBigEndian(u, 2);
  }

  void writeRefs(std::span<const Node> nodes) {
    for (Node n : nodes) putBigEndian(objectOf_[n], refWidth_);
  }

  void writeObject(Node node) {
    switch (tree_.kind(node)) {
      case Kind::Boolean:
        out_.push_back(tree_.boolValue(node) ? '\x09' : '\x08');
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
        out_.append(tree_.dataValue(node));
        break;
      case Kind::Uid: {
        std::uint64_t v = tree_.uidValue(node);
        int width = widthFor(v);
        out_.push_back(static_cast<char>(0x80 | (width - 1)));
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
  std::vector<Node> objects_;            // object number -> first node with that value
  std::uint32_t booleans_[2] = {kUnassigned, kUnassigned};
  std::unordered_map<std::uint64_t, std::uint32_t> integers_, bigIntegers_, reals_, dates_, uids_;
  std::unordered_map<std::string_view, std::uint32_t> strings_, datas_;
  std::string out_;
  int refWidth_ = 1;
};

}  // namespace

std::string writeBinary(const Tree& tree, Tree::Node root) { return Writer(tree).write(root); }

}  // namespace ns::plist
