// Decoding of keyed archives: the archive's property list is read into a Tree, then
// each object is decoded once, on first reference, into a table indexed by UID, so a
// shared reference gives the same object.  An object still being decoded when it is
// referenced again is a cycle, which is refused, as is nesting past kMaxNesting.
//
// Objects of unmodelled classes keep pointing into the archive (ArchiveSource), and
// the plain values (strings, numbers, data) their fields refer to are made only when
// asked for: an edit of one entry of a large archive then makes objects for little
// more than the containers it goes through, and the writer copies the rest as it was.
#include "ArchiveOpaqueObject.h"
#include "BufferRecycler.h"
#include "KeyedArchiveLayout.h"
#include "PlistDocument.h"
#include "PlistObjects.h"

#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace ns {
namespace {

using archive::OpaqueContent;
using objc::makeError;
using objc::Ref;
using plist::Kind;
using plist::Tree;
using Node = Tree::Node;

class Decoder {
 public:
  explicit Decoder(std::shared_ptr<archive::ArchiveSource> source)
      : source_(std::move(source)), tree_(source_->tree()), count_(source_->count()), budget_(2 * tree_.size() + 65536) {
    ns::detail::reuseBuffer(state_, count_);
    state_.assign(count_, State::Unvisited);
    ns::detail::reuseBuffer(decoded_, count_);
    decoded_.resize(count_);
  }
  ~Decoder() {
    ns::detail::recycleBuffer(state_);
    ns::detail::recycleBuffer(decoded_);
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // The object for a UID, borrowed from the decoder's table or the source's (nil for
  // $null).
  objc::Result<id> decode(std::uint64_t uid, int depth) {
    if (uid == 0) return static_cast<id>(nil);
    if (uid >= count_) return makeError("UID " + std::to_string(uid) + " out of range");
    if (source_->isLeaf(uid)) {
      // Leaves are made by the source and kept there, so a leaf an unmodelled object
      // refers to is the same object when it is asked for.
      auto checked = checkOnce(uid);
      if (!checked.ok()) return checked.error();
      id made = source_->leaf(uid);
      if (made == nil) return makeError("malformed object at UID " + std::to_string(uid));
      return made;
    }
    if (state_[uid] == State::Done) return decoded_[uid].get();
    if (state_[uid] == State::Open) return makeError("reference cycle through UID " + std::to_string(uid));
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    state_[uid] = State::Open;
    auto made = make(source_->entry(uid), depth);
    if (!made.ok()) return made.error();
    decoded_[uid] = std::move(made.value());
    state_[uid] = State::Done;
    return decoded_[uid].get();
  }

 private:
  enum class State : std::uint8_t { Unvisited, Open, Done };

  objc::Result<Ref> make(Node entry, int depth) {
    switch (tree_.kind(entry)) {
      case Kind::Dictionary:
        return makeObject(entry, depth);
      case Kind::Array:
      case Kind::Uid:
        return makeError("an archived object is neither a value nor an object dictionary");
      default:
        return plist::objectFromTree(tree_, entry);  // strings, numbers, data, dates
    }
  }

  // A referenced child that must exist (not $null).
  objc::Result<id> child(Node reference, int depth) {
    auto uid = archive::uidOf(tree_, reference);
    if (!uid) return makeError("expected a reference");
    auto object = decode(*uid, depth + 1);
    if (!object.ok()) return object;
    if (object.value() == nil) return makeError("nil inside a collection");
    return object;
  }

  // The children referenced by an array of UIDs.
  objc::Result<std::vector<id>> children(Node list, int depth) {
    if (list == Tree::kNone || tree_.kind(list) != Kind::Array) return makeError("expected an array of references");
    std::vector<id> out;
    out.reserve(tree_.count(list));
    for (Node reference : tree_.items(list)) {
      auto object = child(reference, depth);
      if (!object.ok()) return object.error();
      out.push_back(object.value());
    }
    return out;
  }

  objc::Result<Ref> makeObject(Node entry, int depth) {
    auto classUid = archive::uidOf(tree_, tree_.lookup(entry, "$class"));
    if (!classUid || *classUid == 0 || *classUid >= count_) return makeError("bad $class reference");
    Node classInfo = source_->entry(*classUid);
    Node nameNode = tree_.lookup(classInfo, "$classname");
    if (nameNode == Tree::kNone || !tree_.isString(nameNode)) return makeError("class dictionary without $classname");
    std::string_view name = tree_.stringValue(nameNode);
    auto field = [&](const char* key) { return tree_.lookup(entry, key); };

    if (name == "NSArray" || name == "NSMutableArray" || name == "NSSet" || name == "NSMutableSet") {
      auto items = children(field("NS.objects"), depth);
      if (!items.ok()) return items.error();
      Class cls = name == "NSArray"          ? ns::NSArrayClass()
                  : name == "NSMutableArray" ? ns::NSMutableArrayClass()
                  : name == "NSSet"          ? ns::NSSetClass()
                                             : ns::NSMutableSetClass();
      const bool set = name.ends_with("Set");
      id made = set ? objc::send<id>(cls, objc::sel<"setWithObjects:count:">(), static_cast<const id*>(items->data()),
                                     static_cast<NSUInteger>(items->size()))
                    : objc::send<id>(cls, objc::sel<"arrayWithObjects:count:">(), static_cast<const id*>(items->data()),
                                     static_cast<NSUInteger>(items->size()));
      return Ref::retain(made);
    }
    if (name == "NSDictionary" || name == "NSMutableDictionary") {
      auto keys = children(field("NS.keys"), depth);
      if (!keys.ok()) return keys.error();
      auto values = children(field("NS.objects"), depth);
      if (!values.ok()) return values.error();
      if (keys->size() != values->size()) return makeError("dictionary with unequal key and value counts");
      Class cls = name == "NSDictionary" ? ns::NSDictionaryClass() : ns::NSMutableDictionaryClass();
      return Ref::retain(objc::send<id>(cls, objc::sel<"dictionaryWithObjects:forKeys:count:">(),
                                        static_cast<const id*>(values->data()), static_cast<const id*>(keys->data()),
                                        static_cast<NSUInteger>(keys->size())));
    }
    if (name == "NSString" || name == "NSMutableString") {
      auto text = inlineOrReferenced(field("NS.string"), Kind::String, depth);
      if (!text.ok()) return text.error();
      std::string_view utf8 = ns::utf8View(text.value());
      return Ref::retain(name == "NSString" ? ns::str(utf8) : ns::mutableStr(utf8));
    }
    if (name == "NSData" || name == "NSMutableData") {
      std::span<const std::uint8_t> bytes;
      Node stored = field("NS.data");
      Ref held;
      if (stored != Tree::kNone) {
        auto data = inlineOrReferenced(stored, Kind::Data, depth);
        if (!data.ok()) return data.error();
        held = Ref::retain(data.value());
        bytes = ns::bytesOf(held);
      }
      return Ref::retain(name == "NSData" ? ns::data(bytes) : ns::mutableData(bytes));
    }
    if (name == "NSDate") {
      Node time = field("NS.time");
      if (time == Tree::kNone || (tree_.kind(time) != Kind::Real && tree_.kind(time) != Kind::Integer))
        return makeError("NSDate without NS.time");
      double seconds = tree_.kind(time) == Kind::Real ? tree_.realValue(time)
                                                      : static_cast<double>(tree_.integerValue(time));
      return Ref::retain(ns::date(seconds));
    }
    if (name == "NSNull") return Ref::retain(ns::null());
    if (name == "NSURL") {
      auto url = makeURL(entry, depth);
      if (!url.ok()) return url.error();
      if (url.value()) return url;
      // A URL relative to a base is kept as it was stored.
    }
    return makeOpaque(entry, *classUid, depth);
  }

  // A field that holds its value inline or as a reference to it, of the given kind.
  objc::Result<id> inlineOrReferenced(Node stored, Kind kind, int depth) {
    if (stored == Tree::kNone) return makeError("missing field");
    if (tree_.kind(stored) == kind) {
      auto object = plist::objectFromTree(tree_, stored);
      if (!object.ok()) return object.error();
      held_.push_back(std::move(object.value()));
      return held_.back().get();
    }
    auto object = child(stored, depth);
    if (!object.ok()) return object;
    if (kind == Kind::String ? !ns::isString(object.value()) : !ns::isData(object.value()))
      return makeError("field of the wrong kind");
    return object;
  }

  // A URL without a base; a null Ref when the URL has a base (kept opaque).
  objc::Result<Ref> makeURL(Node entry, int depth) {
    Node base = tree_.lookup(entry, "NS.base");
    if (base != Tree::kNone) {
      auto uid = archive::uidOf(tree_, base);
      if (!uid) return makeError("bad NS.base");
      if (*uid != 0) return Ref();
    }
    auto relative = inlineOrReferenced(tree_.lookup(entry, "NS.relative"), Kind::String, depth);
    if (!relative.ok()) return relative.error();
    id url = objc::send<id>(ns::NSURLClass(), objc::sel<"URLWithString:">(), relative.value());
    if (url == nil) return Ref();
    return Ref::retain(url);
  }

  objc::Result<Ref> makeOpaque(Node entry, std::uint64_t classUid, int depth) {
    auto content = std::make_unique<OpaqueContent>();
    content->cls = source_->archivedClass(classUid);
    if (!content->cls) return makeError("malformed class dictionary");
    content->source = source_;
    content->entry = entry;
    // The fields stay where they are; the objects they refer to are decoded now (so a
    // malformed or cyclic archive is refused here), plain values later, on demand.
    std::vector<Node> walked;
    auto ks = tree_.keys(entry), vs = tree_.values(entry);
    for (std::size_t i = 0; i < ks.size(); ++i) {
      if (tree_.stringValue(ks[i]) == "$class") continue;
      auto status = collectReferences(vs[i], walked, depth, content->references);
      if (!status.ok()) return status.error();
    }
    auto& refs = content->references;
    std::sort(refs.begin(), refs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    refs.erase(std::unique(refs.begin(), refs.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
               refs.end());
    return Ref::adopt(archive::newArchivedObject(std::move(content)));
  }

  // Decodes the objects a field value refers to (references are UID nodes or
  // {CF$UID} dictionaries), containers searched throughout; a container met twice in
  // one object is searched once.  Every value searched is charged to the budget, so
  // shared containers cannot make the work grow beyond a multiple of the archive's size.
  objc::Status collectReferences(Node value, std::vector<Node>& walked, int depth,
                                 std::vector<std::pair<std::uint64_t, Ref>>& references) {
    if (depth > plist::kMaxNesting) return makeError("nesting too deep");
    if (budget_ == 0) return makeError("archive unfolds too far");
    --budget_;
    if (auto uid = archive::uidOf(tree_, value)) {
      if (*uid >= count_) return makeError("UID " + std::to_string(*uid) + " out of range");
      if (*uid == 0) return objc::Ok{};
      if (source_->isLeaf(*uid)) return checkOnce(*uid);  // made when asked for
      auto object = decode(*uid, depth + 1);
      if (!object.ok()) return object.error();
      references.emplace_back(*uid, Ref::retain(object.value()));
      return objc::Ok{};
    }
    const Kind kind = tree_.kind(value);
    if (kind != Kind::Array && kind != Kind::Dictionary) return objc::Ok{};
    if (std::find(walked.begin(), walked.end(), value) != walked.end()) return objc::Ok{};
    walked.push_back(value);
    for (Node child : kind == Kind::Array ? tree_.items(value) : tree_.values(value)) {
      auto status = collectReferences(child, walked, depth + 1, references);
      if (!status.ok()) return status;
    }
    return objc::Ok{};
  }

  // Checks a leaf once, the first time it is met.
  objc::Status checkOnce(std::uint64_t uid) {
    if (state_[uid] == State::Done) return objc::Ok{};
    auto checked = archive::checkLeaf(*source_, uid);
    if (!checked.ok()) return checked;
    state_[uid] = State::Done;
    return objc::Ok{};
  }

  std::shared_ptr<archive::ArchiveSource> source_;
  const Tree& tree_;
  std::size_t count_;
  std::vector<State> state_;
  std::vector<Ref> decoded_;
  std::vector<Ref> held_;  // inline values made while decoding
  std::size_t budget_;
};

}  // namespace

namespace archive {

namespace {

// The class name of a Leaf object (its class dictionary was checked by the source).
std::string_view leafClassName(ArchiveSource& source, std::uint64_t uid) {
  const Tree& tree = source.tree();
  return tree.stringValue(tree.lookup(source.entry(source.classOf(uid)), "$classname"));
}

}  // namespace

objc::Status checkLeaf(ArchiveSource& source, std::uint64_t uid) {
  if (source.shape(uid) == ArchiveSource::Shape::Plain) return objc::Ok{};
  if (source.shape(uid) != ArchiveSource::Shape::Leaf) return makeError("not a leaf");
  const Tree& tree = source.tree();
  const Node entry = source.entry(uid);
  const std::string_view name = leafClassName(source, uid);
  auto field = [&](const char* key) { return tree.lookup(entry, key); };
  if (name == "NSDate") {
    Node time = field("NS.time");
    if (time == Tree::kNone || (tree.kind(time) != Kind::Real && tree.kind(time) != Kind::Integer))
      return makeError("NSDate without NS.time");
    return objc::Ok{};
  }
  if (name == "NSString" || name == "NSMutableString") {
    Node text = field("NS.string");
    if (text == Tree::kNone) return makeError("missing field");
    if (tree.kind(text) != Kind::String) return makeError("field of the wrong kind");
    return objc::Ok{};
  }
  if (name == "NSData" || name == "NSMutableData") {
    Node data = field("NS.data");
    if (data != Tree::kNone && tree.kind(data) != Kind::Data) return makeError("field of the wrong kind");
    return objc::Ok{};
  }
  if (name == "NSNull") return objc::Ok{};
  if (!source.archivedClass(source.classOf(uid))) return makeError("malformed class dictionary");
  return objc::Ok{};
}

objc::Result<Ref> makeLeaf(ArchiveSource& source, std::uint64_t uid) {
  auto checked = checkLeaf(source, uid);
  if (!checked.ok()) return checked.error();
  const Tree& tree = source.tree();
  const Node entry = source.entry(uid);
  if (source.shape(uid) == ArchiveSource::Shape::Plain) return plist::objectFromTree(tree, entry);
  const std::string_view name = leafClassName(source, uid);
  if (name == "NSDate") {
    Node time = tree.lookup(entry, "NS.time");
    return Ref::retain(ns::date(tree.kind(time) == Kind::Real ? tree.realValue(time)
                                                              : static_cast<double>(tree.integerValue(time))));
  }
  if (name == "NSString" || name == "NSMutableString") {
    std::string_view text = tree.stringValue(tree.lookup(entry, "NS.string"));
    return Ref::retain(name == "NSString" ? ns::str(text) : ns::mutableStr(text));
  }
  if (name == "NSData" || name == "NSMutableData") {
    Node data = tree.lookup(entry, "NS.data");
    std::string_view bytes = data == Tree::kNone ? std::string_view() : tree.dataValue(data);
    std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return Ref::retain(name == "NSData" ? ns::data(span) : ns::mutableData(span));
  }
  if (name == "NSNull") return Ref::retain(ns::null());
  auto content = detachedContent(source, uid);
  if (!content) return makeError("malformed class dictionary");
  return Ref::adopt(newArchivedObject(std::move(content)));
}

std::optional<std::uint64_t> uidOf(const Tree& tree, Node node) {
  if (node == Tree::kNone) return std::nullopt;
  if (tree.kind(node) == Kind::Uid) return tree.uidValue(node);
  if (tree.kind(node) == Kind::Dictionary && tree.count(node) == 1) {
    Node n = tree.lookup(node, "CF$UID");
    if (n != Tree::kNone && tree.kind(n) == Kind::Integer && !tree.isBigUnsigned(n) && tree.integerValue(n) >= 0)
      return static_cast<std::uint64_t>(tree.integerValue(n));
  }
  return std::nullopt;
}

objc::Result<Ref> decodeArchive(plist::Document document) {
  const Tree& tree = document.tree;
  const Node root = document.root;
  if (root == Tree::kNone || tree.kind(root) != Kind::Dictionary) return makeError("an archive is a dictionary");
  Node archiver = tree.lookup(root, "$archiver");
  if (archiver == Tree::kNone || !tree.isString(archiver) || tree.stringValue(archiver) != kArchiverName)
    return makeError("not an NSKeyedArchiver archive");
  Node version = tree.lookup(root, "$version");
  if (version == Tree::kNone || tree.kind(version) != Kind::Integer) return makeError("archive without $version");
  Node objects = tree.lookup(root, "$objects");
  if (objects == Tree::kNone || tree.kind(objects) != Kind::Array || tree.count(objects) == 0)
    return makeError("archive without $objects");
  Node top = tree.lookup(root, "$top");
  if (top == Tree::kNone || tree.kind(top) != Kind::Dictionary) return makeError("archive without $top");
  auto rootUid = uidOf(tree, tree.lookup(top, "root"));
  if (!rootUid) return makeError("archive without a root object");
  const auto entries = tree.items(objects);
  Decoder decoder(std::make_shared<archive::ArchiveSource>(std::move(document), entries));
  auto object = decoder.decode(*rootUid, 0);
  if (!object.ok()) return object.error();
  return Ref::retain(object.value());
}

}  // namespace archive

objc::Result<objc::Ref> unarchiveData(std::span<const std::uint8_t> bytes) {
  auto doc = plist::readDocument(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!doc.ok()) return doc.error();
  return archive::decodeArchive(std::move(doc.value()));
}

objc::Result<objc::Ref> unarchiveFile(std::string_view devicePath) {
  auto bytes = ns::readFile(devicePath);
  if (!bytes.ok()) return bytes.error();
  auto root = unarchiveData(bytes.value());
  ns::detail::recycleBuffer(bytes.value());
  return root;
}

std::string archivedClassName(id object) {
  const OpaqueContent* content = archive::contentOf(object);
  return content ? content->cls->name : std::string();
}

Class NSArchivedObjectClass() { return archive::archivedObjectClass(); }

namespace {

id clsUnarchiveObjectWithData(id, SEL, id data) {
  if (!ns::isData(data)) return nil;
  auto root = unarchiveData(ns::bytesOf(data));
  return root.ok() ? objc::autorelease(root.value().leak()) : nil;
}

id clsUnarchiveObjectWithFile(id, SEL, id path) {
  if (!ns::isString(path)) return nil;
  auto root = unarchiveFile(ns::utf8View(path));
  return root.ok() ? objc::autorelease(root.value().leak()) : nil;
}

Class registerUnarchiver() {
  return objc::ClassBuilder<NSObjectIvars>("NSKeyedUnarchiver", objc::NSObjectClass())
      .classMethod<&clsUnarchiveObjectWithData>("unarchiveObjectWithData:")
      .classMethod<&clsUnarchiveObjectWithFile>("unarchiveObjectWithFile:")
      .registerClass();
}

[[maybe_unused]] const Class kRegisteredAtLoad = NSKeyedUnarchiverClass();

}  // namespace

Class NSKeyedUnarchiverClass() {
  static const Class cls = registerUnarchiver();
  return cls;
}

}  // namespace ns
