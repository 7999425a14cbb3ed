// The property-list value model every reader produces and every writer consumes: a
// graph of values stored in flat arrays (no allocation per value), built bottom-up
// (children before their container) and read by node number.  A container may be
// referenced from several places; writers keep such sharing instead of copying, which
// is what lets a binary property list with shared references stay as small in memory
// as it is on disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ns::plist {

enum class Kind : std::uint8_t { Boolean, Integer, Real, Date, String, Data, Uid, Array, Dictionary };

// Nesting deeper than this is refused by every reader and converter of the platform,
// so nothing recurses without bound on hostile input.
inline constexpr int kMaxNesting = 512;

class Tree {
 public:
  using Node = std::uint32_t;
  static constexpr Node kNone = UINT32_MAX;

  Tree() = default;
  Tree(const Tree&) = default;
  Tree(Tree&&) noexcept = default;
  Tree& operator=(const Tree&) = default;
  Tree& operator=(Tree&&) noexcept = default;
  // A large tree's storage is kept for the thread's next large tree (BufferRecycler.h).
  ~Tree();

  // Scalars.  integer() holds every signed 64-bit value; bigUnsigned() holds the
  // values from 2^63 to 2^64-1, which the binary format stores in 16 bytes.
  Node boolean(bool value);
  Node integer(std::int64_t value);
  Node bigUnsigned(std::uint64_t value);
  Node real(double value);
  Node date(double secondsSinceReferenceDate);
  Node string(std::string_view utf8);
  Node data(std::string_view bytes);
  Node uid(std::uint64_t value);

  // Containers, made from nodes that already exist.  Dictionary keys are strings.
  Node array(std::span<const Node> items);
  Node dictionary(std::span<const Node> keys, std::span<const Node> values);

  std::size_t size() const { return entries_.size(); }
  Kind kind(Node node) const { return entries_[node].kind; }
  bool isString(Node node) const { return node < entries_.size() && kind(node) == Kind::String; }

  bool boolValue(Node node) const { return entries_[node].payload != 0; }
  // The value as a signed number; a bigUnsigned value reads as its two's complement.
  std::int64_t integerValue(Node node) const { return static_cast<std::int64_t>(entries_[node].payload); }
  bool isBigUnsigned(Node node) const { return entries_[node].flags != 0; }
  // Real or date value.
  double realValue(Node node) const;
  std::string_view stringValue(Node node) const { return bytesOf(node); }
  std::string_view dataValue(Node node) const { return bytesOf(node); }
  std::uint64_t uidValue(Node node) const { return entries_[node].payload; }

  // Number of items of an array or of entries of a dictionary.
  std::size_t count(Node node) const { return entries_[node].count; }
  std::span<const Node> items(Node array) const { return children(array, 0); }
  std::span<const Node> keys(Node dictionary) const { return children(dictionary, 0); }
  std::span<const Node> values(Node dictionary) const { return children(dictionary, entries_[dictionary].count); }
  // The value stored under key in a dictionary (first match), or kNone.
  Node lookup(Node dictionary, std::string_view key) const;

  // Keeps room for about this many more values, children and bytes.  An empty tree
  // reserving much takes storage a large tree of this thread left behind.
  void reserve(std::size_t nodes, std::size_t children, std::size_t bytes);

  // Deep structural equality of two values, possibly of different trees.  Containers
  // compare item by item; dictionaries compare as unordered maps.
  static bool equal(const Tree& a, Node x, const Tree& b, Node y);

 private:
  struct Entry {
    Kind kind;
    std::uint8_t flags;
    std::uint32_t count;    // bytes of a string or data, items or entries of a container
    std::uint64_t payload;  // scalar bits, or offset into bytes_ / children_
  };
  static_assert(sizeof(Entry) == 16, "a value takes two words");

  Node add(Kind kind, std::uint64_t payload, std::uint32_t count = 0, std::uint8_t flags = 0);
  Node addBytes(Kind kind, std::string_view bytes);
  bool aliases(std::span<const Node> nodes) const;
  std::string_view bytesOf(Node node) const {
    const Entry& e = entries_[node];
    return std::string_view(bytes_.data() + e.payload, e.count);
  }
  std::span<const Node> children(Node node, std::size_t skip) const {
    const Entry& e = entries_[node];
    return std::span<const Node>(children_).subspan(e.payload + skip, e.count);
  }

  std::vector<Entry> entries_;
  std::vector<Node> children_;
  std::vector<char> bytes_;
};

// A whole property list as read from a file or from memory: its values and its root.
struct Document {
  Tree tree;
  Tree::Node root = Tree::kNone;
};

// The formats a property list is read from or written in.
enum class Format { Xml, Binary };

}  // namespace ns::plist
