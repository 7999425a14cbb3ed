#include "ArchiveOpaqueObject.h"

#include "PlistObjects.h"

#include <foundation/Foundation.h>

#include <algorithm>

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
// of a scalar, nil for a missing key or a field holding a container.
id archivedValueForKey(id self, SEL, id key) {
  const OpaqueContent* c = raw(self)->_content.get();
  if (!c || !ns::isString(key)) return nil;
  plist::Tree::Node value = c->tree.lookup(c->fields, ns::utf8View(key));
  if (value == plist::Tree::kNone) return nil;
  switch (c->tree.kind(value)) {
    case plist::Kind::Uid:
      return c->referenced(c->tree.uidValue(value));
    case plist::Kind::Array:
    case plist::Kind::Dictionary:
      return nil;
    default: {
      auto object = plist::objectFromTree(c->tree, value);
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
  return at != references.end() && at->first == uid ? at->second.get() : nil;
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
