// NSIndexPath: immutable, its indexes stored after the object in one allocation.
#include <foundation/NSIndexPath.h>

#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <cstring>
#include <vector>

struct NSIndexPathIvars : NSObjectIvars {
  NSUInteger* _indexes;
  NSUInteger _length;
};

namespace ns {
namespace {

using detail::asClass;

NSIndexPathIvars* pathIvars(id p) { return reinterpret_cast<NSIndexPathIvars*>(p); }

id newPath(Class cls, const NSUInteger* indexes, std::size_t length) {
  std::size_t base = class_getInstanceSize(cls);
  id p = class_createInstance(cls, length * sizeof(NSUInteger));
  auto* v = pathIvars(p);
  v->_indexes = reinterpret_cast<NSUInteger*>(reinterpret_cast<char*>(p) + base);
  if (length) std::memcpy(v->_indexes, indexes, length * sizeof(NSUInteger));
  v->_length = length;
  return p;
}

id classForRowInSection(id self, SEL, NSInteger row, NSInteger section) {
  NSUInteger indexes[2] = {static_cast<NSUInteger>(section), static_cast<NSUInteger>(row)};
  return objc::autorelease(newPath(asClass(self), indexes, 2));
}

id classWithIndex(id self, SEL, NSUInteger index) { return objc::autorelease(newPath(asClass(self), &index, 1)); }

id classWithIndexesLength(id self, SEL cmd, const NSUInteger* indexes, NSUInteger length) {
  if (indexes == nullptr && length > 0) detail::raiseNilArgument(self, cmd);
  return objc::autorelease(newPath(asClass(self), indexes, length));
}

NSUInteger indexAt(id self, NSUInteger position) {
  auto* v = pathIvars(self);
  return position < v->_length ? v->_indexes[position] : static_cast<NSUInteger>(NSNotFound);
}

NSInteger row(id self, SEL) { return static_cast<NSInteger>(indexAt(self, 1)); }
NSInteger section(id self, SEL) { return static_cast<NSInteger>(indexAt(self, 0)); }
NSUInteger length(id self, SEL) { return pathIvars(self)->_length; }
NSUInteger indexAtPosition(id self, SEL, NSUInteger position) { return indexAt(self, position); }

id byAddingIndex(id self, SEL, NSUInteger index) {
  auto* v = pathIvars(self);
  std::vector<NSUInteger> indexes(v->_indexes, v->_indexes + v->_length);
  indexes.push_back(index);
  return objc::autorelease(newPath(object_getClass(self), indexes.data(), indexes.size()));
}

NSComparisonResult comparePaths(id a, id b) {
  auto* x = pathIvars(a);
  auto* y = pathIvars(b);
  for (std::size_t i = 0; i < x->_length && i < y->_length; ++i) {
    if (x->_indexes[i] != y->_indexes[i]) return x->_indexes[i] < y->_indexes[i] ? NSOrderedAscending : NSOrderedDescending;
  }
  if (x->_length == y->_length) return NSOrderedSame;
  return x->_length < y->_length ? NSOrderedAscending : NSOrderedDescending;
}

NSComparisonResult pathCompare(id self, SEL cmd, id other) {
  if (!isIndexPath(other)) detail::raiseNilArgument(self, cmd);
  return comparePaths(self, other);
}

BOOL pathIsEqual(id self, SEL, id other) {
  return other == self || (isIndexPath(other) && comparePaths(self, other) == NSOrderedSame) ? YES : NO;
}

NSUInteger pathHash(id self, SEL) {
  auto* v = pathIvars(self);
  return detail::hashBytes(reinterpret_cast<const char*>(v->_indexes), v->_length * sizeof(NSUInteger));
}

// "<NSIndexPath: 0x…> {length = 2, path = 0 - 3}", as iOS prints it.
id pathDescription(id self, SEL) {
  auto* v = pathIvars(self);
  std::string text = objc::defaultDescription(self) + " {length = " + std::to_string(v->_length) + ", path = ";
  for (std::size_t i = 0; i < v->_length; ++i) text += (i ? " - " : "") + std::to_string(v->_indexes[i]);
  return objc::autorelease(detail::newString(text + "}"));
}

id pathCopy(id self, SEL, void*) { return objc::retain(self); }

Class registerNSIndexPath() {
  return objc::ClassBuilder<NSIndexPathIvars>("NSIndexPath", objc::NSObjectClass())
      .ivar<&NSIndexPathIvars::_indexes>("_indexes")
      .ivar<&NSIndexPathIvars::_length>("_length")
      .classMethod<&classForRowInSection>("indexPathForRow:inSection:")
      .classMethod<&classForRowInSection>("indexPathForItem:inSection:")
      .classMethod<&classWithIndex>("indexPathWithIndex:")
      .classMethod<&classWithIndexesLength>("indexPathWithIndexes:length:")
      .method<&row>("row")
      .method<&row>("item")
      .method<&section>("section")
      .method<&length>("length")
      .method<&indexAtPosition>("indexAtPosition:")
      .method<&byAddingIndex>("indexPathByAddingIndex:")
      .method<&pathCompare>("compare:")
      .method<&pathIsEqual>("isEqual:")
      .method<&pathHash>("hash")
      .method<&pathDescription>("description")
      .method<&pathCopy>("copyWithZone:")
      .registerClass();
}

}  // namespace

Class NSIndexPathClass() {
  static const Class cls = registerNSIndexPath();
  return cls;
}

[[maybe_unused]] static const Class kNSIndexPathAtLoad = NSIndexPathClass();

id indexPath(NSUInteger row, NSUInteger section) {
  NSUInteger indexes[2] = {section, row};
  return objc::autorelease(newPath(NSIndexPathClass(), indexes, 2));
}

bool isIndexPath(id object) {
  return object != nil && detail::inheritsFrom(object_getClass(object), NSIndexPathClass());
}

}  // namespace ns
