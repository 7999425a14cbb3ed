#include "ArchiveOpaqueObject.h"

#include "BufferRecycler.h"
#include "KeyedArchiveLayout.h"
#include "PlistObjects.h"

#include <foundation/Foundation.h>

#include <algorithm>
#include <unordered_map>

namespace ns::archive {
namespace {

struct ArchivedObjectIvars : NSObjectIvars {
  std::unique_ptr<OpaqueContent> _content;  // valid when zero-filled (empty)
};

ArchivedObjectIvars* raw(id self) { return objc::ivars<ArchivedObjectIvars>(self); }

void archivedDealloc(id self, SEL cmd) {
  raw(self)->_content.~unique_ptr();
  objc::sendSuper<void>(self, archivedObjectClass(), cmd);
}

id archivedClassName(id self, SEL) {
  const OpaqueContent* c = raw(self)->_content.get();
  return ns::str(c ? c->cls->name : std::string());
}

// $classes of the class dictionary, as an array of strings.
id archivedClassNames(id self, SEL) {
  const OpaqueContent* c = raw(self)->_content.get();
  std::vector<id> names;
  if (c) {
    const plist::Tree& t = c->cls->tree;
    plist::Tree::Node list = t.lookup(c->cls->info, "$classes");
    if (list != plist::Tree::kNone && t.kind(list) == plist::Kind::Array)
      for (plist::Tree::Node n : t.items(list))
        if (t.isString(n)) names.push_back(ns::str(t.stringValue(n)));
  }
  return ns::arrayWithObjects(names.data(), names.size());
}

// The field stored under key: the referenced object for a reference, the object form
// of a scalar, nil for a missing key ($class is not a field) or a field holding a
// container.
id archivedValueForKey(id self, SEL, id key) {
  const OpaqueContent* c = raw(self)->_content.get();
  if (!c || !ns::isString(key) || ns::utf8View(key) == "$class") return nil;
  const plist::Tree& tree = c->tree();
  plist::Tree::Node value = tree.lookup(c->entry, ns::utf8View(key));
  if (value == plist::Tree::kNone) return nil;
  if (auto uid = uidOf(tree, value)) return c->referenced(*uid);
  switch (tree.kind(value)) {
    case plist::Kind::Array:
    case plist::Kind::Dictionary:
      return nil;
    default: {
      auto object = plist::objectFromTree(tree, value);
      return object.ok() ? objc::autorelease(object.value().leak()) : nil;
    }
  }
}

id archivedDescription(id self, SEL) {
  const OpaqueContent* c = raw(self)->_content.get();
  std::string text = objc::defaultDescription(self);
  if (c) text.insert(1, c->cls->name + " (archived) ");
  return ns::str(text);
}

// Archived objects are immutable, so a copy is the object itself.
id archivedCopyWithZone(id self, SEL, void*) { return objc::retain(self); }

Class registerArchivedObject() {
  return objc::ClassBuilder<ArchivedObjectIvars>("NSArchivedObject", objc::NSObjectClass())
      .ivar<&ArchivedObjectIvars::_content>("_content")
      .method<&archivedDealloc>("dealloc")
      .method<&archivedClassName>("archivedClassName")
      .method<&archivedClassNames>("archivedClassNames")
      .method<&archivedValueForKey>("archivedValueForKey:")
      .method<&archivedDescription>("description")
      .method<&archivedCopyWithZone>("copyWithZone:")
      .registerClass();
}

[[maybe_unused]] const Class kRegisteredAtLoad = archivedObjectClass();

}  // namespace

id OpaqueContent::referenced(std::uint64_t uid) const {
  auto at = std::lower_bound(references.begin(), references.end(), uid,
                             [](const auto& entry, std::uint64_t u) { return entry.first < u; });
  if (at != references.end() && at->first == uid) return at->second.get();
  return source->leaf(uid);
}

ArchiveSource::ArchiveSource(plist::Document document, std::span<const plist::Tree::Node> objects)
    : document_(std::move(document)), shapes_(new std::atomic<std::uint8_t>[objects.size()]()) {
  ns::detail::reuseBuffer(objects_, objects.size());
  objects_.assign(objects.begin(), objects.end());
  ns::detail::reuseBuffer(leaves_, objects.size());
  leaves_.resize(objects.size());
}

ArchiveSource::~ArchiveSource() {
  ns::detail::recycleBuffer(objects_);
  ns::detail::recycleBuffer(leaves_);
}

ArchiveSource::Shape ArchiveSource::shape(std::uint64_t uid) const {
  if (uid == 0 || uid >= objects_.size() || objects_[uid] >= document_.tree.size()) return Shape::Other;  // 0: $null
  std::uint8_t known = shapes_[uid].load(std::memory_order_relaxed);
  if (known == 0) {
    known = static_cast<std::uint8_t>(static_cast<std::uint8_t>(shapeOf(objects_[uid])) + 1);
    shapes_[uid].store(known, std::memory_order_relaxed);  // every thread works out the same
  }
  return static_cast<Shape>(known - 1);
}

namespace {

// Copies a value of one tree into another as it is (a UID node stays a UID node),
// each node once; every node copied is charged to `budget`, so a value whose shared
// containers unfold without end is refused.
objc::Result<plist::Tree::Node> copyAsIs(const plist::Tree& from, plist::Tree::Node value, plist::Tree& to,
                                         std::unordered_map<plist::Tree::Node, plist::Tree::Node>& copied,
                                         std::size_t& budget, int depth) {
  if (depth > plist::kMaxNesting) return objc::makeError("nesting too deep");
  if (auto done = copied.find(value); done != copied.end()) return done->second;
  if (budget == 0) return objc::makeError("archive unfolds too far");
  --budget;
  plist::Tree::Node made = plist::Tree::kNone;
  switch (from.kind(value)) {
    case plist::Kind::Boolean: made = to.boolean(from.boolValue(value)); break;
    case plist::Kind::Integer:
      made = from.isBigUnsigned(value) ? to.bigUnsigned(from.uidValue(value)) : to.integer(from.integerValue(value));
      break;
    case plist::Kind::Real: made = to.real(from.realValue(value)); break;
    case plist::Kind::Date: made = to.date(from.realValue(value)); break;
    case plist::Kind::String: made = to.string(from.stringValue(value)); break;
    case plist::Kind::Data: made = to.data(from.dataValue(value)); break;
    case plist::Kind::Uid: made = to.uid(from.uidValue(value)); break;
    case plist::Kind::Array: {
      std::vector<plist::Tree::Node> items;
      for (plist::Tree::Node item : from.items(value)) {
        auto c = copyAsIs(from, item, to, copied, budget, depth + 1);
        if (!c.ok()) return c;
        items.push_back(c.value());
      }
      made = to.array(items);
      break;
    }
    case plist::Kind::Dictionary: {
      std::vector<plist::Tree::Node> keys, values;
      auto ks = from.keys(value), vs = from.values(value);
      for (std::size_t i = 0; i < ks.size(); ++i) {
        auto c = copyAsIs(from, vs[i], to, copied, budget, depth + 1);
        if (!c.ok()) return c;
        keys.push_back(to.string(from.stringValue(ks[i])));
        values.push_back(c.value());
      }
      made = to.dictionary(keys, values);
      break;
    }
  }
  copied.emplace(value, made);
  return made;
}

// Classes whose objects hold other objects, or are made from more than their fields.
bool isContainerClass(std::string_view name) {
  return name == "NSArray" || name == "NSMutableArray" || name == "NSSet" || name == "NSMutableSet" ||
         name == "NSDictionary" || name == "NSMutableDictionary" || name == "NSURL";
}

}  // namespace

ArchiveSource::Shape ArchiveSource::shapeOf(plist::Tree::Node entry) const {
  const plist::Tree& tree = document_.tree;
  switch (tree.kind(entry)) {
    case plist::Kind::Boolean:
    case plist::Kind::Integer:
    case plist::Kind::Real:
    case plist::Kind::String:
    case plist::Kind::Data:
      return Shape::Plain;
    case plist::Kind::Dictionary:
      break;
    default:
      return Shape::Other;  // dates become NSDate objects, archived as objects
  }
  auto classUid = uidOf(tree, tree.lookup(entry, "$class"));
  if (!classUid || *classUid == 0 || *classUid >= objects_.size()) return Shape::Other;
  plist::Tree::Node name = tree.lookup(objects_[*classUid], "$classname");
  if (name == plist::Tree::kNone || !tree.isString(name) || isContainerClass(tree.stringValue(name))) return Shape::Other;
  // Fields are searched a bounded number of values deep and wide; an object whose
  // fields go beyond that is simply not taken for a leaf.
  std::size_t budget = 256;
  auto keys = tree.keys(entry), values = tree.values(entry);
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (tree.stringValue(keys[i]) != "$class" && !refersToNothing(values[i], 0, budget)) return Shape::Other;
  return Shape::Leaf;
}

bool ArchiveSource::refersToNothing(plist::Tree::Node value, int depth, std::size_t& budget) const {
  const plist::Tree& tree = document_.tree;
  if (budget == 0 || depth > 8 || uidOf(tree, value) || tree.kind(value) == plist::Kind::Uid) return false;
  --budget;
  const plist::Kind kind = tree.kind(value);
  if (kind != plist::Kind::Array && kind != plist::Kind::Dictionary) return true;
  for (plist::Tree::Node child : kind == plist::Kind::Array ? tree.items(value) : tree.values(value))
    if (!refersToNothing(child, depth + 1, budget)) return false;
  return true;
}

std::uint64_t ArchiveSource::classOf(std::uint64_t uid) const {
  return uidOf(document_.tree, document_.tree.lookup(objects_[uid], "$class")).value_or(0);
}

id ArchiveSource::leaf(std::uint64_t uid) {
  if (!isLeaf(uid)) return nil;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (leaves_[uid]) return leaves_[uid].get();
  }
  // Made outside the lock (making may ask for the class), then kept unless another
  // thread kept one first.
  auto made = makeLeaf(*this, uid);
  if (!made.ok()) return nil;
  std::lock_guard<std::mutex> hold(lock_);
  if (!leaves_[uid]) leaves_[uid] = std::move(made.value());
  return leaves_[uid].get();
}

id ArchiveSource::existingLeaf(std::uint64_t uid) {
  if (uid >= leaves_.size()) return nil;
  std::lock_guard<std::mutex> hold(lock_);
  return leaves_[uid].get();
}

std::unique_ptr<OpaqueContent> detachedContent(ArchiveSource& source, std::uint64_t uid) {
  auto cls = source.archivedClass(source.classOf(uid));
  if (!cls) return nullptr;
  plist::Document own;
  std::unordered_map<plist::Tree::Node, plist::Tree::Node> memo;
  std::size_t budget = 2 * source.tree().size() + 65536;
  auto entry = copyAsIs(source.tree(), source.entry(uid), own.tree, memo, budget, 0);
  if (!entry.ok()) return nullptr;
  own.root = entry.value();
  auto content = std::make_unique<OpaqueContent>();
  content->cls = std::move(cls);
  content->entry = entry.value();
  const plist::Tree::Node objects[] = {plist::Tree::kNone, entry.value()};
  content->source = std::make_shared<ArchiveSource>(std::move(own), objects);
  return content;
}

std::shared_ptr<const ArchivedClass> ArchiveSource::archivedClass(std::uint64_t classUid) {
  if (classUid == 0 || classUid >= objects_.size()) return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  if (auto known = classes_.find(classUid); known != classes_.end()) return known->second;
  const plist::Tree& tree = document_.tree;
  plist::Tree::Node info = objects_[classUid];
  plist::Tree::Node name = tree.lookup(info, "$classname");
  if (name == plist::Tree::kNone || !tree.isString(name)) return nullptr;
  auto cls = std::make_shared<ArchivedClass>();
  cls->name = std::string(tree.stringValue(name));
  std::unordered_map<plist::Tree::Node, plist::Tree::Node> memo;
  std::size_t budget = 2 * tree.size() + 65536;
  auto copied = copyAsIs(tree, info, cls->tree, memo, budget, 0);
  if (!copied.ok()) return nullptr;
  cls->info = copied.value();
  classes_.emplace(classUid, cls);
  return cls;
}

Class archivedObjectClass() {
  static const Class cls = registerArchivedObject();
  return cls;
}

id newArchivedObject(std::unique_ptr<OpaqueContent> content) {
  id object = objc::allocInit(archivedObjectClass());
  raw(object)->_content = std::move(content);
  return object;
}

const OpaqueContent* contentOf(id object) {
  if (object == nil || !ns::isKind(object, archivedObjectClass())) return nullptr;
  return raw(object)->_content.get();
}

}  // namespace ns::archive
