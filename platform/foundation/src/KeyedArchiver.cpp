// Encoding of keyed archives.  Objects are numbered on first encounter (the root is
// UID 1, after "$null"), their children are encoded next and their class dictionary
// after them, which is the order Foundation's archiver produces.  An object reached
// again is referred to by the UID it already has; an object reached again while its
// own children are being encoded is a cycle, which is refused.
#include "ArchiveOpaqueObject.h"
#include "BinaryPlistWriter.h"
#include "KeyedArchiveLayout.h"
#include "PlistObjects.h"

#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>

#include <array>
#include <unordered_map>

namespace ns {
namespace {

using archive::OpaqueContent;
using objc::makeError;
using plist::Kind;
using plist::Tree;
using Node = Tree::Node;

class Encoder {
 public:
  Encoder() {
    objects_.push_back(tree_.string("$null"));
    open_.push_back(false);
    classKey_ = tree_.string("$class");
    objectsKey_ = tree_.string("NS.objects");
  }

  objc::Result<std::uint64_t> encode(id object, int depth) {
    if (object == nil) return std::uint64_t{0};
    if (auto known = uids_.find(object); known != uids_.end()) {
      if (open_[known->second]) return makeError("reference cycle");
      return known->second;
    }
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    std::uint64_t uid = objects_.size();
    objects_.push_back(Tree::kNone);
    open_.push_back(true);
    uids_.emplace(object, uid);
    auto node = make(object, depth);
    if (!node.ok()) return node.error();
    objects_[uid] = node.value();
    open_[uid] = false;
    return uid;
  }

  std::string finish(std::uint64_t rootUid) {
    Node top = tree_.dictionary(std::array{tree_.string("root")}, std::array{uidNode(rootUid)});
    Node objects = tree_.array(objects_);
    Node root = tree_.dictionary(
        std::array{tree_.string("$archiver"), tree_.string("$objects"), tree_.string("$top"), tree_.string("$version")},
        std::array{tree_.string(archive::kArchiverName), objects, top, tree_.integer(archive::kArchiveVersion)});
    return plist::writeBinary(tree_, root);
  }

 private:
  // One value node per UID, shared by every reference to it.
  Node uidNode(std::uint64_t uid) {
    if (uid >= uidNodes_.size()) uidNodes_.resize(uid + 1, Tree::kNone);
    if (uidNodes_[uid] == Tree::kNone) uidNodes_[uid] = tree_.uid(uid);
    return uidNodes_[uid];
  }

  Node key(std::string_view name) {
    auto [at, fresh] = keys_.try_emplace(std::string(name), Tree::kNone);
    if (fresh) at->second = tree_.string(name);
    return at->second;
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
    for (id o : objects) {
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
  // dictionary (one per class), then its fields with each reference renumbered.
  objc::Result<Node> opaque(const OpaqueContent& content, int depth) {
    std::unordered_map<Node, Node> copied;
    std::vector<Node> keys{classKey_}, values;
    auto ks = content.tree.keys(content.fields), vs = content.tree.values(content.fields);
    std::vector<Node> fieldValues;
    for (std::size_t i = 0; i < ks.size(); ++i) {
      auto value = copyField(content, vs[i], copied, depth);
      if (!value.ok()) return value;
      keys.push_back(key(content.tree.stringValue(ks[i])));
      fieldValues.push_back(value.value());
    }
    auto known = opaqueClasses_.find(content.cls.get());
    std::uint64_t classUid;
    if (known != opaqueClasses_.end()) {
      classUid = known->second;
    } else {
      std::unordered_map<Node, Node> copiedInfo;
      auto info = copyPlain(content.cls->tree, content.cls->info, copiedInfo, 0);
      if (!info.ok()) return info;
      classUid = objects_.size();
      objects_.push_back(info.value());
      open_.push_back(false);
      opaqueClasses_.emplace(content.cls.get(), classUid);
      classHolds_.push_back(content.cls);
    }
    values.push_back(uidNode(classUid));
    values.insert(values.end(), fieldValues.begin(), fieldValues.end());
    return tree_.dictionary(keys, values);
  }

  objc::Result<Node> copyField(const OpaqueContent& content, Node value, std::unordered_map<Node, Node>& copied,
                               int depth) {
    if (auto done = copied.find(value); done != copied.end()) return done->second;
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    const Tree& from = content.tree;
    Node made = Tree::kNone;
    switch (from.kind(value)) {
      case Kind::Uid: {
        auto uid = encode(content.referenced(from.uidValue(value)), depth + 1);
        if (!uid.ok()) return uid.error();
        made = uidNode(uid.value());
        break;
      }
      case Kind::Array:
      case Kind::Dictionary: {
        auto c = copyContainer(from, value, [&](Node element) { return copyField(content, element, copied, depth + 1); });
        if (!c.ok()) return c;
        made = c.value();
        break;
      }
      default: {
        std::unordered_map<Node, Node> unused;
        auto c = copyPlain(from, value, unused, depth);
        if (!c.ok()) return c;
        made = c.value();
      }
    }
    copied.emplace(value, made);
    return made;
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
  std::unordered_map<id, std::uint64_t> uids_;
  std::vector<Node> uidNodes_;
  std::unordered_map<std::string, Node> keys_;
  std::unordered_map<std::string, std::uint64_t> classUids_;
  std::unordered_map<const archive::ArchivedClass*, std::uint64_t> opaqueClasses_;
  std::vector<std::shared_ptr<const archive::ArchivedClass>> classHolds_;  // keeps the keys above valid
  Node classKey_, objectsKey_;
};

}  // namespace

objc::Result<std::vector<std::uint8_t>> archivedData(id root) {
  Encoder encoder;
  auto uid = encoder.encode(root, 0);
  if (!uid.ok()) return uid.error();
  std::string bytes = encoder.finish(uid.value());
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

objc::Status archiveRootObjectToFile(id root, std::string_view devicePath) {
  auto bytes = archivedData(root);
  if (!bytes.ok()) return bytes.error();
  return ns::writeFileAtomically(devicePath, bytes.value());
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
