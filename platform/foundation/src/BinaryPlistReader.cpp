#include "BinaryPlistReader.h"

#include "BufferRecycler.h"
#include "PlistUnicode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace ns::plist {
namespace {

using Node = Tree::Node;
using objc::makeError;

constexpr std::size_t kTrailerSize = 32;
constexpr std::size_t kHeaderSize = 8;

std::uint64_t readBigEndian(const unsigned char* p, std::size_t width) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < width; ++i) v = (v << 8) | p[i];
  return v;
}

bool validWidth(std::size_t w) { return w == 1 || w == 2 || w == 4 || w == 8; }

class Reader {
 public:
  explicit Reader(std::string_view bytes)
      : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

  objc::Result<Document> read() {
    if (size_ < kHeaderSize + kTrailerSize || std::memcmp(data_, "bplist00", 8) != 0)
      return makeError("not a binary property list");
    const unsigned char* trailer = data_ + size_ - kTrailerSize;
    offsetWidth_ = trailer[6];
    refWidth_ = trailer[7];
    const std::uint64_t count = readBigEndian(trailer + 8, 8);
    const std::uint64_t top = readBigEndian(trailer + 16, 8);
    const std::uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    if (!validWidth(offsetWidth_) || !validWidth(refWidth_)) return makeError("bad integer width in trailer");
    // Objects live between the header and the offset table; the table ends at the trailer.
    const std::uint64_t tableEnd = size_ - kTrailerSize;
    if (count == 0 || top >= count || tableOffset < kHeaderSize || tableOffset > tableEnd ||
        count > (tableEnd - tableOffset) / offsetWidth_)
      return makeError("bad trailer");
    objectsEnd_ = tableOffset;
    count_ = count;
    table_ = data_ + tableOffset;
    ns::detail::reuseBuffer(nodeOf_, count);
    nodeOf_.assign(count, Tree::kNone);
    ns::detail::reuseBuffer(state_, count);
    state_.assign(count, State::Unvisited);

    Document doc;
    tree_ = &doc.tree;
    // Room for every object, their references and the file's bytes, so that the tree
    // is seldom moved while it grows.
    tree_->reserve(count, std::min<std::uint64_t>((tableOffset - kHeaderSize) / refWidth_, 4 * count),
                   tableOffset - kHeaderSize);
    auto root = resolve(top);
    if (!root.ok()) return root.error();
    doc.root = root.value();
    return doc;
  }

 private:
  enum class State : std::uint8_t { Unvisited, Open, Done };

  // What is being built for one open container on the explicit stack.  The nodes its
  // references resolve to so far are the end of pending_, from `first` on.
  struct Frame {
    std::uint64_t object;
    bool dictionary;
    std::size_t refCount;       // references to resolve (keys and values for a dictionary)
    const unsigned char* refs;  // where the references are stored
    std::size_t next = 0;       // next reference to resolve
    std::size_t first = 0;      // where its resolved nodes start in pending_
  };

  std::uint64_t offsetOf(std::uint64_t object) const {
    return readBigEndian(table_ + object * offsetWidth_, offsetWidth_);
  }

  // Reads the length that follows a marker whose low nibble is `nibble`, advancing pos.
  objc::Result<std::uint64_t> length(unsigned nibble, std::uint64_t& pos) const {
    if (nibble != 0xF) return std::uint64_t{nibble};
    if (pos >= objectsEnd_) return makeError("truncated length");
    unsigned marker = data_[pos];
    if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return makeError("bad length marker");
    std::size_t width = std::size_t{1} << (marker & 0x0F);
    if (objectsEnd_ - pos - 1 < width) return makeError("truncated length");
    std::uint64_t value = readBigEndian(data_ + pos + 1, width);
    pos += 1 + width;
    return value;
  }

  bool fits(std::uint64_t pos, std::uint64_t bytes) const { return pos <= objectsEnd_ && bytes <= objectsEnd_ - pos; }

  // The node for one object: scalars are made at once; a container is opened on an
  // explicit stack and completed when all its references are resolved.
  objc::Result<Node> resolve(std::uint64_t top) {
    std::vector<Frame> stack;
    auto start = open(top, stack);
    if (!start.ok()) return start.error();
    if (stack.empty()) return start.value();
    Node result = Tree::kNone;
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < frame.refCount) {
        std::uint64_t child = readBigEndian(frame.refs + frame.next * refWidth_, refWidth_);
        ++frame.next;
        if (child >= count_) return makeError("reference out of range");
        if (state_[child] == State::Open) return makeError("reference cycle");
        if (state_[child] == State::Done) {
          pending_.push_back(nodeOf_[child]);
          continue;
        }
        if (stack.size() >= static_cast<std::size_t>(kMaxNesting)) return makeError("nesting too deep");
        auto made = open(child, stack);  // may grow the stack: `frame` is stale after this
        if (!made.ok()) return made.error();
        if (made.value() != Tree::kNone) pending_.push_back(made.value());
        continue;
      }
      Node node;
      std::span<const Node> all = std::span<const Node>(pending_).subspan(frame.first);
      if (frame.dictionary) {
        std::size_t n = frame.refCount / 2;
        for (Node key : all.first(n))
          if (!tree_->isString(key)) return makeError("dictionary key is not a string");
        node = tree_->dictionary(all.first(n), all.subspan(n));
      } else {
        node = tree_->array(all);
      }
      pending_.resize(frame.first);
      nodeOf_[frame.object] = node;
      state_[frame.object] = State::Done;
      stack.pop_back();
      if (stack.empty())
        result = node;
      else
        pending_.push_back(node);
    }
    return result;
  }

  // Reads object `object`.  A scalar is finished at once and returned; a container is
  // pushed on the stack and kNone is returned.
  objc::Result<Node> open(std::uint64_t object, std::vector<Frame>& stack) {
    std::uint64_t pos = offsetOf(object);
    if (pos < kHeaderSize || pos >= objectsEnd_) return makeError("object offset out of range");
    const unsigned marker = data_[pos++];
    const unsigned type = marker >> 4, nibble = marker & 0x0F;
    Node node = Tree::kNone;
    switch (type) {
      case 0x0:
        if (nibble == 0x8 || nibble == 0x9) {
          node = tree_->boolean(nibble == 0x9);
          break;
        }
        return makeError("unsupported object");
      case 0x1: {
        if (nibble > 4) return makeError("bad integer size");
        std::size_t width = std::size_t{1} << nibble;
        if (!fits(pos, width)) return makeError("truncated integer");
        if (width == 16) {
          // A 128-bit integer: the high half must be a sign extension of the low half,
          // or zero for the unsigned values from 2^63 on.
          std::uint64_t high = readBigEndian(data_ + pos, 8), low = readBigEndian(data_ + pos + 8, 8);
          if (high == 0)
            node = tree_->bigUnsigned(low);
          else if (high == ~0ULL && static_cast<std::int64_t>(low) < 0)
            node = tree_->integer(static_cast<std::int64_t>(low));
          else
            return makeError("integer out of range");
        } else {
          // 1, 2 and 4 byte integers are unsigned; 8 byte ones are signed.
          node = tree_->integer(static_cast<std::int64_t>(readBigEndian(data_ + pos, width)));
        }
        break;
      }
      case 0x2:
      case 0x3: {
        std::size_t width = std::size_t{1} << nibble;
        if ((type == 0x2 && nibble != 2 && nibble != 3) || (type == 0x3 && nibble != 3))
          return makeError("bad real or date size");
        if (!fits(pos, width)) return makeError("truncated real");
        std::uint64_t bits = readBigEndian(data_ + pos, width);
        double v = width == 4 ? static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(bits)))
                              : std::bit_cast<double>(bits);
        node = type == 0x2 ? tree_->real(v) : tree_->date(v);
        break;
      }
      case 0x4:
      case 0x5:
      case 0x6:
      case 0x7: {
        auto n = length(nibble, pos);
        if (!n.ok()) return n.error();
        std::uint64_t units = n.value();
        std::uint64_t bytes = type == 0x6 ? units * 2 : units;
        if (units > objectsEnd_ || !fits(pos, bytes)) return makeError("truncated string or data");
        if (!charge(bytes)) return makeError("objects overlap");
        std::string_view raw(reinterpret_cast<const char*>(data_ + pos), bytes);
        if (type == 0x4)
          node = tree_->data(raw);
        else if (type == 0x6)
          node = tree_->string(utf8FromUtf16Bytes(data_ + pos, units, true));
        else if (type == 0x5 && isAscii(raw))
          node = tree_->string(raw);
        else
          node = tree_->string(validUtf8(raw));
        break;
      }
      case 0x8: {
        std::size_t width = nibble + 1;
        if (width > 8 || !fits(pos, width)) return makeError("bad UID");
        node = tree_->uid(readBigEndian(data_ + pos, width));
        break;
      }
      case 0xA:
      case 0xD: {
        auto n = length(nibble, pos);
        if (!n.ok()) return n.error();
        std::uint64_t refs = type == 0xD ? n.value() * 2 : n.value();
        if (n.value() > objectsEnd_ || !fits(pos, refs * refWidth_)) return makeError("truncated container");
        if (!charge(refs)) return makeError("objects overlap");
        state_[object] = State::Open;
        stack.push_back(Frame{object, type == 0xD, static_cast<std::size_t>(refs), data_ + pos, 0, pending_.size()});
        return Tree::kNone;
      }
      default:
        return makeError("unsupported object type");
    }
    nodeOf_[object] = node;
    state_[object] = State::Done;
    return node;
  }

  // Objects of a well-formed file do not overlap, so the bytes of all strings and data
  // and the references of all containers add up to less than the file's size.  Objects
  // whose offsets point into each other's bytes could otherwise make the reader copy
  // the same bytes again and again (quadratic memory); that is refused here.
  bool charge(std::uint64_t amount) {
    charged_ += amount;
    return charged_ <= size_;
  }

  const unsigned char* data_;
  std::size_t size_;
  std::uint64_t charged_ = 0;
  std::size_t offsetWidth_ = 0, refWidth_ = 0;
  std::uint64_t objectsEnd_ = 0, count_ = 0;
  const unsigned char* table_ = nullptr;
  std::vector<Node> nodeOf_;
  std::vector<State> state_;
  std::vector<Node> pending_;  // resolved references of the open containers, innermost last
  Tree* tree_ = nullptr;

 public:
  ~Reader() {
    ns::detail::recycleBuffer(nodeOf_);
    ns::detail::recycleBuffer(state_);
  }
};

}  // namespace

bool looksBinary(std::string_view bytes) { return bytes.substr(0, 6) == "bplist"; }

objc::Result<Document> readBinary(std::string_view bytes) { return Reader(bytes).read(); }

}  // namespace ns::plist
