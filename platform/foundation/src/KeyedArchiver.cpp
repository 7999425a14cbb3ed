// Encoding of keyed archives.  Objects are numbered on first encounter (the root is
// UID 1, after "$null"), their children are encoded next and their class dictionary
// after them, which is the order Foundation's archiver produces.  An object reached
// again is referred to by the UID it already has; an object reached again while its
// own children are being encoded is a cycle, which is refused.
#include "ArchiveOpaqueObject.h"
#include "BinaryPlistWriter.h"
#include "BufferRecycler.h"
#include "KeyedArchiveLayout.h"
#include "PlistObjects.h"

#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>

#include <algorithm>
#include <array>
#include <bit>
#include <unordered_map>

namespace ns {
namespace {

using archive::OpaqueContent;
using objc::makeError;
using plist::Kind;
using plist::Tree;
using Node = Tree::Node;

// The UID of each object met so far: open addressing with linear probing, each slot
// holding the object and its UID, so that a lookup in a table too large for the cache
// costs one miss, not two; doubled when half full.  Objects are never removed.
class ObjectNumbers {
 public:
  explicit ObjectNumbers(std::size_t expected) {
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(64, 2 * expected));
    ns::detail::reuseBuffer(slots_, slots);
    slots_.assign(slots, Known{});
  }
  ~ObjectNumbers() { ns::detail::recycleBuffer(slots_); }
  ObjectNumbers(const ObjectNumbers&) = delete;
  ObjectNumbers& operator=(const ObjectNumbers&) = delete;

  void prefetch(id object) const {
    __builtin_prefetch(object);
    __builtin_prefetch(&slots_[slotOf(object) & (slots_.size() - 1)]);
  }

  // The UID of `object` when it has one; otherwise `uid` becomes its UID and null is
  // answered.  One probe does both.
  const std::uint64_t* findOrInsert(id object, std::uint64_t uid) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slotOf(object) & mask;
    for (; slots_[i].object != nil; i = (i + 1) & mask)
      if (slots_[i].object == object) return &slots_[i].uid;
    if (2 * (count_ + 1) > slots_.size()) {
      grow();
      return findOrInsert(object, uid);
    }
    slots_[i] = Known{object, uid};
    ++count_;
    return nullptr;
  }

 private:
  struct Known {
    id object = nil;  // nil: an empty slot
    std::uint64_t uid = 0;
  };

  static std::size_t slotOf(id object) {
    auto bits = reinterpret_cast<std::uintptr_t>(object);
    bits ^= bits >> 33;
    bits *= 0xff51afd7ed558ccdULL;
    bits ^= bits >> 29;
    return static_cast<std::size_t>(bits);
  }
  void grow() {
    std::vector<Known> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, Known{});
    const std::size_t mask = slots_.size() - 1;
    for (const Known& known : old) {
      if (known.object == nil) continue;
      std::size_t i = slotOf(known.object) & mask;
      while (slots_[i].object != nil) i = (i + 1) & mask;
      slots_[i] = known;
    }
    ns::detail::recycleBuffer(old);
  }

  std::vector<Known> slots_;
  std::size_t count_ = 0;
};

// Hashing for maps keyed by std::string that are searched with string_views.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// About how large an archive of `root` comes out, to size the encoder's tables once
// instead of rebuilding them again and again while a large archive is encoded: the
// objects of the root's elements and of theirs, and, for unmodelled objects read from
// an archive, that archive's own size, which an edited archive is close to.
struct ExpectedSize {
  std::size_t objects = 0;
  std::size_t values = 0;  // property-list values: objects, their fields and references
};

ExpectedSize expectedSize(id root) {
  ExpectedSize size;
  std::vector<const archive::ArchiveSource*> sources;
  auto visit = [&](id object) {
    if (ns::isArray(object) || ns::isDictionary(object) || ns::isSet(object)) {
      size.objects += static_cast<std::size_t>(objc::send<NSUInteger>(object, objc::sel<"count">())) *
                      (ns::isDictionary(object) ? 2 : 1);
    } else if (const OpaqueContent* content = archive::contentOf(object)) {
      const archive::ArchiveSource* source = content->source.get();
      if (std::find(sources.begin(), sources.end(), source) == sources.end()) {
        sources.push_back(source);
        size.objects += source->count();
        size.values += source->tree().size();
      }
    }
  };
  size.objects = 1;
  visit(root);
  if (ns::isDictionary(root)) {
    for (auto [k, v] : ns::entries(root)) visit(v);
  } else if (ns::isArray(root)) {
    for (id element : ns::elements(root)) visit(element);
  }
  size.values = std::max(size.values, 4 * size.objects);
  return size;
}

class Encoder {
 public:
  explicit Encoder(ExpectedSize expected) : uids_(expected.objects / 2) {
    // As many references as values, and short strings.
    tree_.reserve(expected.values, expected.values, 16 * expected.values);
    ns::detail::reuseBuffer(objects_, expected.objects);
    open_.reserve(expected.objects);
    ns::detail::reuseBuffer(uidNodes_, expected.objects);
    objects_.push_back(tree_.string("$null"));
    open_.push_back(false);
    classKey_ = tree_.string("$class");
    objectsKey_ = tree_.string("NS.objects");
  }
  ~Encoder() {
    ns::detail::recycleBuffer(objects_);
    ns::detail::recycleBuffer(uidNodes_);
    for (auto& [source, uids] : leafUidsBySource_) ns::detail::recycleBuffer(uids);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  objc::Result<std::uint64_t> encode(id object, int depth) {
    if (object == nil) return std::uint64_t{0};
    const std::uint64_t uid = objects_.size();
    if (const std::uint64_t* known = uids_.findOrInsert(object, uid)) {
      if (open_[*known]) return makeError("reference cycle");
      return *known;
    }
    // A failure from here on fails the whole archive, so the UID given stays unused.
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    objects_.push_back(Tree::kNone);
    open_.push_back(true);
    auto node = make(object, depth);
    if (!node.ok()) return node.error();
    objects_[uid] = node.value();
    open_[uid] = false;
    return uid;
  }

  std::vector<std::uint8_t> finish(std::uint64_t rootUid) {
    Node top = tree_.dictionary(std::array{tree_.string("root")}, std::array{uidNode(rootUid)});
    Node objects = tree_.array(objects_);
    Node root = tree_.dictionary(
        std::array{tree_.string("$archiver"), tree_.string("$objects"), tree_.string("$top"), tree_.string("$version")},
        std::array{tree_.string(archive::kArchiverName), objects, top, tree_.integer(archive::kArchiveVersion)});
    return plist::writeBinaryBytes(tree_, root);
  }

 private:
  // One value node per UID, shared by every reference to it.
  Node uidNode(std::uint64_t uid) {
    if (uid >= uidNodes_.size()) uidNodes_.resize(uid + 1, Tree::kNone);
    if (uidNodes_[uid] == Tree::kNone) uidNodes_[uid] = tree_.uid(uid);
    return uidNodes_[uid];
  }

  Node key(std::string_view name) {
    if (auto known = keys_.find(name); known != keys_.end()) return known->second;
    Node made = tree_.string(name);
    keys_.emplace(std::string(name), made);
    return made;
  }

  // The UID of the class dictionary of a modelled class; the chain runs from the
  // class itself to NSObject.
  std::uint64_t standardClass(std::initializer_list<const char*> chain) {
    const char* name = *chain.begin();
    if (auto known = classUids_.find(name); known != classUids_.end()) return known->second;
    std::vector<Node> names;
    for (const char* n : chain) names.push_back(key(n));
    Node info = tree_.dictionary(std::array{key("$classes"), key("$classname")},
                                 std::array{tree_.array(names), key(name)});
    std::uint64_t uid = objects_.size();
    objects_.push_back(info);
    open_.push_back(false);
    classUids_.emplace(name, uid);
    return uid;
  }

  // An object dictionary: $class first, then the fields in the order given.
  Node objectDictionary(std::uint64_t classUid, std::initializer_list<std::pair<Node, Node>> fields) {
    std::vector<Node> keys{classKey_}, values{uidNode(classUid)};
    for (auto [k, v] : fields) {
      keys.push_back(k);
      values.push_back(v);
    }
    return tree_.dictionary(keys, values);
  }

  objc::Result<Node> references(std::span<const id> objects, int depth) {
    std::vector<Node> uids;
    uids.reserve(objects.size());
    // A large collection's elements lie all over memory: each one's header and table
    // slot are loaded a few elements ahead, so that their misses overlap.
    constexpr std::size_t kAhead = 4;
    for (std::size_t i = 0; i < objects.size(); ++i) {
      if (i + kAhead < objects.size()) uids_.prefetch(objects[i + kAhead]);
      id o = objects[i];
      auto uid = encode(o, depth + 1);
      if (!uid.ok()) return uid.error();
      uids.push_back(uidNode(uid.value()));
    }
    return tree_.array(uids);
  }

  objc::Result<Node> make(id object, int depth) {
    if (ns::isString(object)) {
      Node text = tree_.string(ns::utf8View(object));
      if (!ns::isKind(object, ns::NSMutableStringClass())) return text;
      return objectDictionary(standardClass({"NSMutableString", "NSString", "NSObject"}), {{key("NS.string"), text}});
    }
    if (ns::isNumber(object)) return plist::treeFromObject(tree_, object);
    if (ns::isDate(object)) {
      // A date is an object holding its time, not a plain date value.
      Node seconds = tree_.real(ns::dateInterval(object));
      return objectDictionary(standardClass({"NSDate", "NSObject"}), {{key("NS.time"), seconds}});
    }
    if (ns::isData(object)) {
      auto bytes = ns::bytesOf(object);
      Node data = tree_.data(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      if (!ns::isKind(object, ns::NSMutableDataClass())) return data;
      return objectDictionary(standardClass({"NSMutableData", "NSData", "NSObject"}), {{key("NS.data"), data}});
    }
    if (ns::isNull(object)) return objectDictionary(standardClass({"NSNull", "NSObject"}), {});
    if (ns::isArray(object)) {
      const bool isMutable = ns::isKind(object, ns::NSMutableArrayClass());
      auto items = references(ns::elements(object), depth);
      if (!items.ok()) return items;
      std::uint64_t cls = isMutable ? standardClass({"NSMutableArray", "NSArray", "NSObject"})
                                    : standardClass({"NSArray", "NSObject"});
      return objectDictionary(cls, {{objectsKey_, items.value()}});
    }
    if (ns::isDictionary(object)) {
      const bool isMutable = ns::isKind(object, ns::NSMutableDictionaryClass());
      std::vector<id> keys, values;
      for (auto [k, v] : ns::entries(object)) {
        keys.push_back(k);
        values.push_back(v);
      }
      auto keyRefs = references(keys, depth);
      if (!keyRefs.ok()) return keyRefs;
      auto valueRefs = references(values, depth);
      if (!valueRefs.ok()) return valueRefs;
      std::uint64_t cls = isMutable ? standardClass({"NSMutableDictionary", "NSDictionary", "NSObject"})
                                    : standardClass({"NSDictionary", "NSObject"});
      return objectDictionary(cls, {{key("NS.keys"), keyRefs.value()}, {objectsKey_, valueRefs.value()}});
    }
    if (ns::isSet(object)) {
      const bool isMutable = ns::isKind(object, ns::NSMutableSetClass());
      std::vector<id> members;
      for (auto [member, unused] : ns::entries(object)) members.push_back(member);
      auto items = references(members, depth);
      if (!items.ok()) return items;
      std::uint64_t cls =
          isMutable ? standardClass({"NSMutableSet", "NSSet", "NSObject"}) : standardClass({"NSSet", "NSObject"});
      return objectDictionary(cls, {{objectsKey_, items.value()}});
    }
    if (ns::isURL(object)) {
      objc::Ref text = objc::Ref::retain(objc::send<id>(object, objc::sel<"absoluteString">()));
      auto relative = encode(text.get(), depth + 1);
      if (!relative.ok()) return relative.error();
      return objectDictionary(standardClass({"NSURL", "NSObject"}),
                              {{key("NS.base"), uidNode(0)}, {key("NS.relative"), uidNode(relative.value())}});
    }
    if (const OpaqueContent* content = archive::contentOf(object)) return opaque(*content, depth);
    return makeError(std::string("objects of class ") + objc::className(object) + " cannot be archived");
  }

  // An archived object of an unmodelled class, written as it was read: its class
  // dictionary (one per class), then its fields from the archive it came from, each
  // reference renumbered.
  objc::Result<Node> opaque(const OpaqueContent& content, int depth) {
    const Tree& from = content.tree();
    auto ks = from.keys(content.entry), vs = from.values(content.entry);
    std::vector<Node> keys, values;
    keys.reserve(ks.size());
    values.reserve(ks.size());
    keys.push_back(classKey_);
    values.push_back(Tree::kNone);  // the class, below
    SmallMemo copied;
    for (std::size_t i = 0; i < ks.size(); ++i) {
      if (from.stringValue(ks[i]) == "$class") continue;
      auto value = copyField(content, vs[i], copied, depth);
      if (!value.ok()) return value;
      keys.push_back(key(from.stringValue(ks[i])));
      values.push_back(value.value());
    }
    auto classUid = classUidOf(content.cls);
    if (!classUid.ok()) return classUid.error();
    values[0] = uidNode(classUid.value());
    return tree_.dictionary(keys, values);
  }

  // The UID of the class dictionary of an unmodelled class, written once.
  objc::Result<std::uint64_t> classUidOf(const std::shared_ptr<const archive::ArchivedClass>& cls) {
    if (auto known = opaqueClasses_.find(cls.get()); known != opaqueClasses_.end()) return known->second;
    std::unordered_map<Node, Node> copiedInfo;
    auto info = copyPlain(cls->tree, cls->info, copiedInfo, 0);
    if (!info.ok()) return info.error();
    const std::uint64_t classUid = objects_.size();
    objects_.push_back(info.value());
    open_.push_back(false);
    opaqueClasses_.emplace(cls.get(), classUid);
    classHolds_.push_back(cls);
    return classUid;
  }

  // What each container of one object's fields became, so a container the object
  // holds twice is copied once; objects hold few, so a list serves.
  struct SmallMemo {
    std::vector<std::pair<Node, Node>> pairs;
    Node find(Node from) const {
      for (auto [f, t] : pairs)
        if (f == from) return t;
      return Tree::kNone;
    }
  };

  objc::Result<Node> copyField(const OpaqueContent& content, Node value, SmallMemo& copied, int depth) {
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    const Tree& from = content.tree();
    if (auto uid = archive::uidOf(from, value)) {
      if (*uid == 0) return uidNode(0);
      archive::ArchiveSource& source = *content.source;
      if (source.isLeaf(*uid)) {
        // A leaf: the object made for it if some reader asked for one (it may be
        // referred to elsewhere too, or changed), else the entry copied as it is.
        if (id made = source.existingLeaf(*uid)) {
          auto encoded = encode(made, depth + 1);
          if (!encoded.ok()) return encoded.error();
          return uidNode(encoded.value());
        }
        auto copied = leafUid(source, *uid);
        if (!copied.ok()) return copied.error();
        return uidNode(copied.value());
      }
      auto encoded = encode(content.referenced(*uid), depth + 1);
      if (!encoded.ok()) return encoded.error();
      return uidNode(encoded.value());
    }
    const Kind kind = from.kind(value);
    if (kind != Kind::Array && kind != Kind::Dictionary) return copyScalar(from, value);
    if (Node done = copied.find(value); done != Tree::kNone) return done;
    auto c = copyContainer(from, value, [&](Node element) { return copyField(content, element, copied, depth + 1); });
    if (!c.ok()) return c;
    copied.pairs.emplace_back(value, c.value());
    return c;
  }

  // The UID of a leaf copied straight from an archive, once per leaf, so a leaf the
  // archive shared stays shared.  An object leaf is its class (shared with the
  // archived objects of that class) and its fields, which refer to nothing.
  objc::Result<std::uint64_t> leafUid(archive::ArchiveSource& source, std::uint64_t uid) {
    if (&source != leafSource_) {
      leafSource_ = &source;
      leafUids_ = &leafUidsBySource_[&source];
      if (leafUids_->empty()) {
        ns::detail::reuseBuffer(*leafUids_, source.count());
        leafUids_->resize(source.count(), 0);
      }
    }
    if ((*leafUids_)[uid] != 0) return (*leafUids_)[uid];
    const Tree& from = source.tree();
    const Node entry = source.entry(uid);
    Node made;
    if (source.shape(uid) == archive::ArchiveSource::Shape::Plain) {
      made = copyScalar(from, entry);
    } else {
      auto cls = source.archivedClass(source.classOf(uid));
      if (!cls) return makeError("malformed class dictionary");
      auto classUid = classUidOf(cls);
      if (!classUid.ok()) return classUid.error();
      auto ks = from.keys(entry), vs = from.values(entry);
      std::vector<Node> keys{classKey_}, values{uidNode(classUid.value())};
      for (std::size_t i = 0; i < ks.size(); ++i) {
        if (from.stringValue(ks[i]) == "$class") continue;
        std::unordered_map<Node, Node> copied;
        auto value = copyPlain(from, vs[i], copied, 0);
        if (!value.ok()) return value.error();
        keys.push_back(key(from.stringValue(ks[i])));
        values.push_back(value.value());
      }
      made = tree_.dictionary(keys, values);
    }
    const std::uint64_t assigned = objects_.size();
    objects_.push_back(made);
    open_.push_back(false);
    (*leafUids_)[uid] = assigned;
    return assigned;
  }

  // A value that is not a container, copied as it is (strings are not looked up among
  // the keys: the binary writer stores equal strings once anyway).
  Node copyScalar(const Tree& from, Node value) {
    switch (from.kind(value)) {
      case Kind::Boolean: return tree_.boolean(from.boolValue(value));
      case Kind::Integer:
        return from.isBigUnsigned(value) ? tree_.bigUnsigned(from.uidValue(value)) : tree_.integer(from.integerValue(value));
      case Kind::Real: return tree_.real(from.realValue(value));
      case Kind::Date: return tree_.date(from.realValue(value));
      case Kind::String: return tree_.string(from.stringValue(value));
      case Kind::Data: return tree_.data(from.dataValue(value));
      case Kind::Uid: return tree_.uid(from.uidValue(value));
      case Kind::Array:
      case Kind::Dictionary: break;
    }
    return Tree::kNone;
  }

  // Copies an array or a dictionary of `from`, each element through `copyElement`; a
  // dictionary's value is copied before its key is made.
  template <class CopyElement>
  objc::Result<Node> copyContainer(const Tree& from, Node value, CopyElement copyElement) {
    if (from.kind(value) == Kind::Array) {
      std::vector<Node> items;
      for (Node item : from.items(value)) {
        auto c = copyElement(item);
        if (!c.ok()) return c;
        items.push_back(c.value());
      }
      return tree_.array(items);
    }
    std::vector<Node> keys, values;
    auto ks = from.keys(value), vs = from.values(value);
    for (std::size_t i = 0; i < ks.size(); ++i) {
      auto c = copyElement(vs[i]);
      if (!c.ok()) return c;
      keys.push_back(key(from.stringValue(ks[i])));
      values.push_back(c.value());
    }
    return tree_.dictionary(keys, values);
  }

  // Copies a value with no references in it (a class dictionary or a scalar field).
  objc::Result<Node> copyPlain(const Tree& from, Node value, std::unordered_map<Node, Node>& copied, int depth) {
    if (auto done = copied.find(value); done != copied.end()) return done->second;
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    Node made = Tree::kNone;
    switch (from.kind(value)) {
      case Kind::Boolean: made = tree_.boolean(from.boolValue(value)); break;
      case Kind::Integer:
        made = from.isBigUnsigned(value) ? tree_.bigUnsigned(from.uidValue(value)) : tree_.integer(from.integerValue(value));
        break;
      case Kind::Real: made = tree_.real(from.realValue(value)); break;
      case Kind::Date: made = tree_.date(from.realValue(value)); break;
      case Kind::String: made = key(from.stringValue(value)); break;
      case Kind::Data: made = tree_.data(from.dataValue(value)); break;
      case Kind::Uid: made = tree_.uid(from.uidValue(value)); break;
      case Kind::Array:
      case Kind::Dictionary: {
        auto c = copyContainer(from, value, [&](Node element) { return copyPlain(from, element, copied, depth + 1); });
        if (!c.ok()) return c;
        made = c.value();
        break;
      }
    }
    copied.emplace(value, made);
    return made;
  }

  Tree tree_;
  std::vector<Node> objects_;  // $objects, by UID
  std::vector<bool> open_;     // by UID: children still being encoded
  ObjectNumbers uids_;
  std::vector<Node> uidNodes_;
  std::unordered_map<std::string, Node, TextHash, std::equal_to<>> keys_;
  std::unordered_map<std::string, std::uint64_t> classUids_;
  std::unordered_map<const archive::ArchivedClass*, std::uint64_t> opaqueClasses_;
  std::vector<std::shared_ptr<const archive::ArchivedClass>> classHolds_;  // keeps the keys above valid
  // UIDs given to leaves copied from each source archive, by their UID there.
  std::unordered_map<const archive::ArchiveSource*, std::vector<std::uint64_t>> leafUidsBySource_;
  const archive::ArchiveSource* leafSource_ = nullptr;
  std::vector<std::uint64_t>* leafUids_ = nullptr;
  Node classKey_, objectsKey_;
};

}  // namespace

objc::Result<std::vector<std::uint8_t>> archivedData(id root) {
  Encoder encoder(expectedSize(root));
  auto uid = encoder.encode(root, 0);
  if (!uid.ok()) return uid.error();
  return encoder.finish(uid.value());
}

objc::Status archiveRootObjectToFile(id root, std::string_view devicePath) {
  auto bytes = archivedData(root);
  if (!bytes.ok()) return bytes.error();
  auto written = ns::writeFileAtomically(devicePath, bytes.value());
  ns::detail::recycleBuffer(bytes.value());
  return written;
}

namespace {

id clsArchivedDataWithRootObject(id, SEL, id root) {
  auto bytes = archivedData(root);
  return bytes.ok() ? ns::data(bytes.value()) : nil;
}

BOOL clsArchiveRootObjectToFile(id, SEL, id root, id path) {
  if (!ns::isString(path)) return NO;
  return archiveRootObjectToFile(root, ns::utf8View(path)).ok() ? YES : NO;
}

Class registerArchiver() {
  return objc::ClassBuilder<NSObjectIvars>("NSKeyedArchiver", objc::NSObjectClass())
      .classMethod<&clsArchivedDataWithRootObject>("archivedDataWithRootObject:")
      .classMethod<&clsArchiveRootObjectToFile>("archiveRootObject:toFile:")
      .registerClass();
}

[[maybe_unused]] const Class kRegisteredAtLoad = NSKeyedArchiverClass();

}  // namespace

Class NSKeyedArchiverClass() {
  static const Class cls = registerArchiver();
  return cls;
}

}  // namespace ns
