// NSSet and NSMutableSet, on the same hash table as NSDictionary (members are keys
// with no value).  Members are retained, not copied, as on iOS.
#include "DictionaryStorage.h"

#include "ArrayStorage.h"
#include "Description.h"
#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <foundation/NSSet.h>

#include <cstdarg>
#include <vector>

namespace ns {
namespace detail {

bool isSetObject(id object) {
  if (object == nil) return false;
  Class cls = object_getClass(object);
  return cls == NSSetClass() || cls == NSMutableSetClass() || inheritsFrom(cls, NSSetClass());
}

}  // namespace detail

namespace {

using namespace detail;

void addMember(ObjectTable& t, id object) {
  NSUInteger hash = objectHash(object);
  if (tableFind(t, object, hash) != kNoEntry) return;
  tableAppendNew(t, objc::retain(object), nil, hash);
}

void checkMembers(id receiver, SEL cmd, const id* objects, std::size_t count) {
  if (count > 0 && objects == nullptr) raiseNilArgument(receiver, cmd);
  for (std::size_t i = 0; i < count; ++i)
    if (objects[i] == nil)
      raise("NSInvalidArgumentException", receiver, cmd, "attempt to insert nil object from objects[%zu]", i);
}

id newSetOfClass(Class cls, const id* objects, std::size_t count) {
  id s = class_createInstance(cls, 0);
  ObjectTable& t = setTable(s);
  tableReserve(t, count);
  for (std::size_t i = 0; i < count; ++i) addMember(t, objects[i]);
  return s;
}

id newSetFrom(Class cls, id other) {
  id s = class_createInstance(cls, 0);
  if (other == nil) return s;
  ObjectTable& t = setTable(s);
  ObjectTable& source = setTable(other);
  tableReserve(t, source.count);
  for (std::size_t i = 0; i < source.used; ++i)
    if (source.entries[i].key != nil) tableAppendNew(t, objc::retain(source.entries[i].key), nil, source.entries[i].hash);
  return s;
}

bool isMutableSetClass(Class cls) {
  return cls == NSMutableSetClass() || (cls != NSSetClass() && inheritsFrom(cls, NSMutableSetClass()));
}

void setDealloc(id self, SEL cmd) {
  tableDestroy(setTable(self));
  objc::sendSuper<void>(self, NSSetClass(), cmd);
}

id setInit(id self, SEL) { return self; }

id setInitWithArray(id self, SEL cmd, id array) {
  if (array != nil && !isArrayObject(array)) raiseNilArgument(self, cmd);
  if (array == nil) return self;
  auto* v = arrayIvars(array);
  tableReserve(setTable(self), v->_count);
  for (std::size_t i = 0; i < v->_count; ++i) addMember(setTable(self), v->_items[i]);
  return self;
}

id setInitWithObjectsCount(id self, SEL cmd, const id* objects, NSUInteger count) {
  checkMembers(self, cmd, objects, count);
  for (std::size_t i = 0; i < count; ++i) addMember(setTable(self), objects[i]);
  return self;
}

id setClassSet(id self, SEL) { return objc::autorelease(class_createInstance(asClass(self), 0)); }

id setClassWithObject(id self, SEL cmd, id object) {
  checkMembers(self, cmd, &object, 1);
  return objc::autorelease(newSetOfClass(asClass(self), &object, 1));
}

id setClassWithArray(id self, SEL cmd, id array) {
  if (array != nil && !isArrayObject(array)) raiseNilArgument(self, cmd);
  if (array == nil) return objc::autorelease(class_createInstance(asClass(self), 0));
  auto* v = arrayIvars(array);
  return objc::autorelease(newSetOfClass(asClass(self), v->_items, v->_count));
}

id setClassWithObjectsCount(id self, SEL cmd, const id* objects, NSUInteger count) {
  checkMembers(self, cmd, objects, count);
  return objc::autorelease(newSetOfClass(asClass(self), objects, count));
}

id setClassWithObjects(id self, SEL, id first, ...) {
  std::vector<id> objects;
  va_list args;
  va_start(args, first);
  for (id o = first; o != nil; o = va_arg(args, id)) objects.push_back(o);
  va_end(args);
  return objc::autorelease(newSetOfClass(asClass(self), objects.data(), objects.size()));
}

id setClassWithSet(id self, SEL cmd, id other) {
  if (other != nil && !isSetObject(other)) raiseNilArgument(self, cmd);
  return objc::autorelease(newSetFrom(asClass(self), other));
}

NSUInteger setCount(id self, SEL) { return setTable(self).count; }

id setMember(id self, SEL, id object) {
  ObjectTable& t = setTable(self);
  if (object == nil || t.count == 0) return nil;
  std::size_t i = tableFind(t, object, objectHash(object));
  return i == kNoEntry ? nil : t.entries[i].key;
}

BOOL setContainsObject(id self, SEL cmd, id object) { return setMember(self, cmd, object) != nil ? YES : NO; }

id setAnyObject(id self, SEL) {
  for (auto [key, value] : tableEntries(setTable(self))) return key;
  return nil;
}

id setAllObjects(id self, SEL) {
  std::vector<id> members;
  members.reserve(setTable(self).count);
  for (auto [key, value] : tableEntries(setTable(self))) members.push_back(key);
  return objc::autorelease(newArrayOfClass(NSArrayClass(), members.data(), members.size()));
}

bool equalSets(id a, id b) {
  if (a == b) return true;
  ObjectTable& x = setTable(a);
  ObjectTable& y = setTable(b);
  if (x.count != y.count) return false;
  for (std::size_t i = 0; i < x.used; ++i)
    if (x.entries[i].key != nil && tableFind(y, x.entries[i].key, x.entries[i].hash) == kNoEntry) return false;
  return true;
}

BOOL setIsEqual(id self, SEL, id other) { return isSetObject(other) && equalSets(self, other) ? YES : NO; }
BOOL setIsEqualToSet(id self, SEL, id other) {
  return other != nil && isSetObject(other) && equalSets(self, other) ? YES : NO;
}
NSUInteger setHash(id self, SEL) { return setTable(self).count; }

id setCopyWithZone(id self, SEL, void*) {
  if (!isMutableSetClass(object_getClass(self))) return objc::retain(self);
  return newSetFrom(NSSetClass(), self);
}

id setMutableCopyWithZone(id self, SEL, void*) { return newSetFrom(NSMutableSetClass(), self); }

id setDescription(id self, SEL) { return objc::autorelease(newString(describeNested(self, 0))); }

// NSMutableSet.
void setAddObject(id self, SEL cmd, id object) {
  if (object == nil) raise("NSInvalidArgumentException", self, cmd, "object cannot be nil");
  addMember(setTable(self), object);
}

void setRemoveObject(id self, SEL, id object) {
  if (object == nil) return;
  objc::Ref hold = objc::Ref::retain(object);
  ObjectTable& t = setTable(self);
  if (t.count > 0) tableRemove(t, object, objectHash(object));
}

void setAddObjectsFromArray(id self, SEL cmd, id array) {
  if (array == nil) return;
  if (!isArrayObject(array)) raiseNilArgument(self, cmd);
  objc::Ref hold = objc::Ref::retain(array);
  auto* v = arrayIvars(array);
  for (std::size_t i = 0; i < v->_count; ++i) addMember(setTable(self), v->_items[i]);
}

void setUnionSet(id self, SEL cmd, id other) {
  if (other == nil || other == self) return;
  if (!isSetObject(other)) raiseNilArgument(self, cmd);
  objc::Ref hold = objc::Ref::retain(other);
  ObjectTable& source = setTable(other);
  for (std::size_t i = 0; i < source.used; ++i)
    if (source.entries[i].key != nil) addMember(setTable(self), source.entries[i].key);
}

void setRemoveAllObjects(id self, SEL) { tableClear(setTable(self)); }

Class registerNSSet() {
  Class cls = objc::ClassBuilder<NSSetIvars>("NSSet", objc::NSObjectClass())
                  .ivar<&NSSetIvars::_table>("_table")
                  .method<&setDealloc>("dealloc")
                  .method<&setInit>("init")
                  .method<&setInitWithArray>("initWithArray:")
                  .method<&setInitWithObjectsCount>("initWithObjects:count:")
                  .method<&setCount>("count")
                  .method<&setMember>("member:")
                  .method<&setContainsObject>("containsObject:")
                  .method<&setAnyObject>("anyObject")
                  .method<&setAllObjects>("allObjects")
                  .method<&setIsEqual>("isEqual:")
                  .method<&setIsEqualToSet>("isEqualToSet:")
                  .method<&setHash>("hash")
                  .method<&setCopyWithZone>("copyWithZone:")
                  .method<&setMutableCopyWithZone>("mutableCopyWithZone:")
                  .method<&setDescription>("description")
                  .classMethod<&setClassSet>("set")
                  .classMethod<&setClassWithObject>("setWithObject:")
                  .classMethod<&setClassWithArray>("setWithArray:")
                  .classMethod<&setClassWithObjectsCount>("setWithObjects:count:")
                  .classMethod<&setClassWithSet>("setWithSet:")
                  .registerClass();
  addVariadicClassMethod(cls, "setWithObjects:", &setClassWithObjects, "@@:@");
  return cls;
}

Class registerNSMutableSet() {
  return objc::ClassBuilder<NSSetIvars>("NSMutableSet", NSSetClass())
      .method<&setAddObject>("addObject:")
      .method<&setRemoveObject>("removeObject:")
      .method<&setAddObjectsFromArray>("addObjectsFromArray:")
      .method<&setUnionSet>("unionSet:")
      .method<&setRemoveAllObjects>("removeAllObjects")
      .registerClass();
}

}  // namespace

Class NSSetClass() {
  static const Class cls = registerNSSet();
  return cls;
}

Class NSMutableSetClass() {
  static const Class cls = registerNSMutableSet();
  return cls;
}

[[maybe_unused]] static const bool kSetsAtLoad = (NSSetClass(), NSMutableSetClass(), true);

id set(std::initializer_list<id> objects) {
  checkMembers(reinterpret_cast<id>(NSSetClass()), sel_registerName("setWithObjects:count:"), objects.begin(),
               objects.size());
  return objc::autorelease(newSetOfClass(NSSetClass(), objects.begin(), objects.size()));
}

id mutableSet(std::initializer_list<id> objects) {
  checkMembers(reinterpret_cast<id>(NSMutableSetClass()), sel_registerName("setWithObjects:count:"),
               objects.begin(), objects.size());
  return objc::autorelease(newSetOfClass(NSMutableSetClass(), objects.begin(), objects.size()));
}

bool isSet(id object) { return isSetObject(object); }

}  // namespace ns
