#include "BinaryPlistReader.h"

#include "ArrayStorage.h"
#include "BufferRecycler.h"
#include "DictionaryStorage.h"
#include "PlistUnicode.h"
#include "StringStorage.h"

#include <foundation/Foundation.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace ns::plist {
namespace {

using objc::makeError;

constexpr std::size_t kTrailerSize = 32;
constexpr std::size_t kHeaderSize = 8;

std::uint16_t byteSwap(std::uint16_t v) { return __builtin_bswap16(v); }
std::uint32_t byteSwap(std::uint32_t v) { return __builtin_bswap32(v); }
std::uint64_t byteSwap(std::uint64_t v) { return __builtin_bswap64(v); }

// The file's integers are big-endian and 1, 2, 4 or 8 bytes wide (a length's width
// is checked before it is read); references and offsets are read once per object,
// so the usual widths are single loads.
std::uint64_t readBigEndian(const unsigned char* p, std::size_t width) {
  switch (width) {
    case 1:
      return p[0];
    case 2: {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return byteSwap(v);
    }
    case 4: {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      return byteSwap(v);
    }
    case 8: {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      return byteSwap(v);
    }
    default: {
      std::uint64_t v = 0;
      for (std::size_t i = 0; i < width; ++i) v = (v << 8) | p[i];
      return v;
    }
  }
}

bool validWidth(std::size_t w) { return w == 1 || w == 2 || w == 4 || w == 8; }

// The two things a file is read into.  A sink makes one value per object of the
// file; the reader hands a value it already made to every other place that refers to
// the same object, so a shared object stays one value.
//
// TreeSink makes nodes of a Tree (every reader and writer of the platform works on
// it).  ObjectSink makes immutable property-list objects straight away, for the
// common read of a whole file into NSDictionary / NSArray: no tree in between.  Its
// values are reference counted: the reader holds the +1 reference of each object it
// made until a container adopts it (a second container referring to the same object
// retains it), and releases what it still holds when it finishes or fails.  An object
// a container adopted stays alive as long as the read, because containers keep their
// children: the one exception, a dictionary given a key twice, leaves what it drops
// with the sink until the read is over.
class TreeSink {
 public:
  using Value = Tree::Node;
  static constexpr bool kCounted = false;
  static constexpr Value kNone = Tree::kNone;

  explicit TreeSink(Tree& tree) : tree_(tree) {}
  void reserve(std::size_t objects, std::size_t refs, std::size_t bytes) { tree_.reserve(objects, refs, bytes); }
  Value boolean(bool v) { return tree_.boolean(v); }
  Value integer(std::int64_t v) { return tree_.integer(v); }
  Value bigUnsigned(std::uint64_t v) { return tree_.bigUnsigned(v); }
  Value real(double v) { return tree_.real(v); }
  Value date(double v) { return tree_.date(v); }
  Value asciiString(std::string_view ascii) { return tree_.string(ascii); }
  Value string(std::string_view utf8) { return tree_.string(utf8); }
  Value data(std::string_view bytes) { return tree_.data(bytes); }
  Value uid(std::uint64_t v) { return tree_.uid(v); }
  Value array(std::span<Value> items) { return tree_.array(items); }
  Value dictionary(std::span<Value> keys, std::span<Value> values) { return tree_.dictionary(keys, values); }
  static void retain(Value) {}
  static void release(Value) {}
  const char* failure() const { return "value could not be made"; }

 private:
  Tree& tree_;
};

class ObjectSink {
 public:
  using Value = id;
  static constexpr bool kCounted = true;
  static constexpr Value kNone = nil;

  void reserve(std::size_t, std::size_t, std::size_t) {}
  Value boolean(bool v) { return objc::retain(ns::numberWithBool(v)); }
  Value integer(std::int64_t v) { return ns::makeNumberWithLongLong(v).leak(); }
  Value bigUnsigned(std::uint64_t v) {
    return ns::makeNumberWithUnsignedLongLong(static_cast<unsigned long long>(v)).leak();
  }
  Value real(double v) { return ns::makeNumberWithDouble(v).leak(); }
  Value date(double v) { return objc::retain(ns::date(v)); }
  Value asciiString(std::string_view ascii) {
    return ns::detail::newStringOfClass(ns::NSStringClass(), ascii, {true, true, ascii.size()});
  }
  Value string(std::string_view utf8) { return ns::detail::newStringChecked(ns::NSStringClass(), utf8); }
  Value data(std::string_view bytes) {
    return objc::retain(ns::data({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
  }
  Value uid(std::uint64_t) {
    failure_ = "a UID is not a property-list object";
    return nil;
  }
  Value array(std::span<Value> items) {
    return ns::detail::newArrayAdopting(ns::NSArrayClass(), items.data(), items.size());
  }
  // A key the file gives twice keeps its last value; what that drops is kept until
  // the read is over, since the reader may still hand it to another container.
  Value dictionary(std::span<Value> keys, std::span<Value> values) {
    return ns::detail::newDictionaryAdoptingStringKeys(ns::NSDictionaryClass(), values.data(), keys.data(),
                                                       keys.size(), dropped_);
  }
  static void retain(Value v) { objc::retain(v); }
  static void release(Value v) { objc::release(v); }
  const char* failure() const { return failure_; }

  ObjectSink() = default;
  ObjectSink(const ObjectSink&) = delete;
  ObjectSink& operator=(const ObjectSink&) = delete;
  ~ObjectSink() {
    for (id object : dropped_) objc::release(object);
  }

 private:
  const char* failure_ = "value could not be made";
  std::vector<id> dropped_;
};

template <class Sink>
class Reader {
 public:
  using Value = typename Sink::Value;

  Reader(std::string_view bytes, Sink& sink)
      : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()), sink_(sink) {}

  // The root's value; a counted sink's root comes with a reference for the caller.
  objc::Result<Value> read() {
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
    // A value is read only once its state says it was made, so nodeOf_ needs no filling.
    ns::detail::reuseBufferForOverwrite(nodeOf_, count);
    ns::detail::reuseBuffer(state_, count);
    state_.assign(count, 0);

    // Room for every object, their references and the file's bytes, so that a tree is
    // seldom moved while it grows; the references pending at once are at most all of
    // them, and a small file's never need more room.
    const std::uint64_t refs = std::min<std::uint64_t>((tableOffset - kHeaderSize) / refWidth_, 4 * count);
    sink_.reserve(count, refs, tableOffset - kHeaderSize);
    pending_.reserve(std::min<std::uint64_t>(refs, 64));
    if constexpr (Sink::kCounted) pendingObjects_.reserve(pending_.capacity());
    auto root = resolve(top);
    if (!root.ok()) return root.error();
    if constexpr (Sink::kCounted) {
      if (state_[top] & kHeld)
        state_[top] &= ~kHeld;
      else
        Sink::retain(root.value());
    }
    return root.value();
  }

  ~Reader() {
    // Whatever no container adopted (everything made, after a failure) is let go.
    if constexpr (Sink::kCounted) {
      for (std::size_t i = 0; i < state_.size(); ++i)
        if (state_[i] & kHeld) Sink::release(nodeOf_[i]);
    }
    ns::detail::recycleBuffer(nodeOf_);
    ns::detail::recycleBuffer(state_);
  }

 private:
  // What is known of each object of the file.
  enum : std::uint8_t {
    kOpen = 1,    // a container whose references are being resolved
    kDone = 2,    // its value is nodeOf_[object]
    kString = 4,  // and it is a string (may be a dictionary key)
    kHeld = 8,    // the reader still holds the value's reference (counted sinks)
  };

  // What is being built for one open container on the explicit stack.  The values its
  // references resolve to so far are the end of pending_, from `first` on.
  struct Frame {
    std::uint64_t object;
    bool dictionary;
    std::size_t refCount;       // references to resolve (keys and values for a dictionary)
    const unsigned char* refs;  // where the references are stored
    std::size_t next = 0;       // next reference to resolve
    std::size_t first = 0;      // where its resolved values start in pending_
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

  void addPending(std::uint64_t object) {
    pending_.push_back(nodeOf_[object]);
    if constexpr (Sink::kCounted) pendingObjects_.push_back(object);
  }

  // The value for one object: scalars are made at once; a container is opened on an
  // explicit stack and completed when all its references are resolved.
  objc::Result<Value> resolve(std::uint64_t top) {
    std::vector<Frame> stack;
    stack.reserve(16);
    auto start = open(top, stack);
    if (!start.ok()) return start.error();
    if (stack.empty()) return nodeOf_[top];
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < frame.refCount) {
        const bool wantsKey = frame.dictionary && frame.next < frame.refCount / 2;
        std::uint64_t child = readBigEndian(frame.refs + frame.next * refWidth_, refWidth_);
        ++frame.next;
        if (child >= count_) return makeError("reference out of range");
        if (state_[child] & kOpen) return makeError("reference cycle");
        if (!(state_[child] & kDone)) {
          if (stack.size() >= static_cast<std::size_t>(kMaxNesting)) return makeError("nesting too deep");
          auto opened = open(child, stack);  // may grow the stack: `frame` is stale after this
          if (!opened.ok()) return opened.error();
          if (!opened.value()) {
            if (wantsKey) return makeError("dictionary key is not a string");
            continue;  // a container: its value is added when it is complete
          }
        }
        if (wantsKey && !(state_[child] & kString)) return makeError("dictionary key is not a string");
        addPending(child);
        continue;
      }
      const std::uint64_t object = frame.object;
      std::span<Value> all = std::span<Value>(pending_).subspan(frame.first);
      if constexpr (Sink::kCounted) {
        // The container takes the reader's reference to each child it is the first to
        // hold; a child held before is retained.
        for (std::size_t i = frame.first; i < pendingObjects_.size(); ++i) {
          std::uint8_t& state = state_[pendingObjects_[i]];
          if (state & kHeld)
            state &= ~kHeld;
          else
            Sink::retain(pending_[i]);
        }
        pendingObjects_.resize(frame.first);
      }
      Value made = frame.dictionary ? sink_.dictionary(all.first(frame.refCount / 2), all.subspan(frame.refCount / 2))
                                    : sink_.array(all);
      pending_.resize(frame.first);
      stack.pop_back();
      finish(object, made, false);
      if (!stack.empty()) addPending(object);
    }
    return nodeOf_[top];
  }

  void finish(std::uint64_t object, Value made, bool string) {
    nodeOf_[object] = made;
    state_[object] = kDone | (string ? kString : 0) | (Sink::kCounted ? kHeld : 0);
  }

  // Reads object `object`.  A scalar is finished at once (true); a container is
  // pushed on the stack (false).
  objc::Result<bool> open(std::uint64_t object, std::vector<Frame>& stack) {
    std::uint64_t pos = offsetOf(object);
    if (pos < kHeaderSize || pos >= objectsEnd_) return makeError("object offset out of range");
    const unsigned marker = data_[pos++];
    const unsigned type = marker >> 4, nibble = marker & 0x0F;
    Value node;
    switch (type) {
      case 0x0:
        if (nibble == 0x8 || nibble == 0x9) {
          node = sink_.boolean(nibble == 0x9);
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
            node = sink_.bigUnsigned(low);
          else if (high == ~0ULL && static_cast<std::int64_t>(low) < 0)
            node = sink_.integer(static_cast<std::int64_t>(low));
          else
            return makeError("integer out of range");
        } else {
          // 1, 2 and 4 byte integers are unsigned; 8 byte ones are signed.
          node = sink_.integer(static_cast<std::int64_t>(readBigEndian(data_ + pos, width)));
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
        node = type == 0x2 ? sink_.real(v) : sink_.date(v);
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
          node = sink_.data(raw);
        else if (type == 0x6)
          node = sink_.string(utf8FromUtf16Bytes(data_ + pos, units, true));
        else if (type == 0x5 && isAscii(raw))
          node = sink_.asciiString(raw);
        else
          node = sink_.string(validUtf8(raw));
        if constexpr (Sink::kCounted) {
          if (node == Sink::kNone) return makeError(sink_.failure());
        }
        finish(object, node, type != 0x4);
        return true;
      }
      case 0x8: {
        std::size_t width = nibble + 1;
        if (width > 8 || !fits(pos, width)) return makeError("bad UID");
        node = sink_.uid(readBigEndian(data_ + pos, width));
        break;
      }
      case 0xA:
      case 0xD: {
        auto n = length(nibble, pos);
        if (!n.ok()) return n.error();
        std::uint64_t refs = type == 0xD ? n.value() * 2 : n.value();
        if (n.value() > objectsEnd_ || !fits(pos, refs * refWidth_)) return makeError("truncated container");
        if (!charge(refs)) return makeError("objects overlap");
        state_[object] = kOpen;
        stack.push_back(Frame{object, type == 0xD, static_cast<std::size_t>(refs), data_ + pos, 0, pending_.size()});
        return false;
      }
      default:
        return makeError("unsupported object type");
    }
    if constexpr (Sink::kCounted) {
      if (node == Sink::kNone) return makeError(sink_.failure());
    }
    finish(object, node, false);
    return true;
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
  Sink& sink_;
  std::uint64_t charged_ = 0;
  std::size_t offsetWidth_ = 0, refWidth_ = 0;
  std::uint64_t objectsEnd_ = 0, count_ = 0;
  const unsigned char* table_ = nullptr;
  std::vector<Value> nodeOf_;
  std::vector<std::uint8_t> state_;
  std::vector<Value> pending_;  // resolved references of the open containers, innermost last
  std::vector<std::uint64_t> pendingObjects_;  // the objects of pending_ (counted sinks)
};

}  // namespace

bool looksBinary(std::string_view bytes) { return bytes.substr(0, 6) == "bplist"; }

objc::Result<Document> readBinary(std::string_view bytes) {
  Document doc;
  TreeSink sink(doc.tree);
  auto root = Reader<TreeSink>(bytes, sink).read();
  if (!root.ok()) return root.error();
  doc.root = root.value();
  return doc;
}

objc::Result<objc::Ref> readBinaryObjects(std::string_view bytes) {
  ObjectSink sink;  // made first, so what it keeps outlives the reader's own references
  auto root = Reader<ObjectSink>(bytes, sink).read();
  if (!root.ok()) return root.error();
  return objc::Ref::adopt(root.value());
}

}  // namespace ns::plist
