// NSArray: storage, creation, queries and copies.  NSMutableArray's edits are in
// NSMutableArray.cpp.  Immutable arrays made by the platform keep their element
// pointers in the same allocation as the object.
#include "ArrayStorage.h"

#include "Description.h"
#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace ns {
namespace detail {

bool isArrayObject(id object) {
  if (object == nil) return false;
  Class cls = object_getClass(object);
  return cls == NSArrayClass() || cls == NSMutableArrayClass() || inheritsFrom(cls, NSArrayClass());
}

bool isMutableArrayClass(Class cls) {
  return cls == NSMutableArrayClass() || (cls != NSArrayClass() && inheritsFrom(cls, NSMutableArrayClass()));
}

namespace {

// A new, empty array instance whose buffer can take `count` elements.
id allocateArray(Class cls, std::size_t count) {
  if (isMutableArrayClass(cls)) {
    id a = class_createInstance(cls, 0);
    if (count > 0) {
      auto* v = arrayIvars(a);
      v->_items = static_cast<id*>(std::malloc(count * sizeof(id)));
      if (v->_items == nullptr) std::abort();
      v->_capacity = count;
    }
    return a;
  }
  if (count == 0) return class_createInstance(cls, 0);
  std::size_t base = class_getInstanceSize(cls);
  // Element pointers must be aligned; the instance size of an object is a multiple
  // of its alignment, which is at least a pointer's.
  static_assert(alignof(NSArrayIvars) >= alignof(id));
  id a = class_createInstance(cls, count * sizeof(id));
  arrayIvars(a)->_items = reinterpret_cast<id*>(reinterpret_cast<char*>(a) + base);
  return a;
}

}  // namespace

id newArrayOfClass(Class cls, const id* objects, std::size_t count) {
  id a = allocateArray(cls, count);
  auto* v = arrayIvars(a);
  for (std::size_t i = 0; i < count; ++i) v->_items[i] = objc::retain(objects[i]);
  v->_count = count;
  return a;
}

id newArrayAdopting(Class cls, const id* objects, std::size_t count) {
  id a = allocateArray(cls, count);
  auto* v = arrayIvars(a);
  if (count) std::memcpy(v->_items, objects, count * sizeof(id));
  v->_count = count;
  return a;
}

void arrayAppend(id array, id object) {
  auto* v = arrayIvars(array);
  if (v->_count == v->_capacity) {
    std::size_t capacity = std::max<std::size_t>(8, v->_capacity * 2);
    auto* items = static_cast<id*>(std::realloc(v->_capacity ? v->_items : nullptr, capacity * sizeof(id)));
    if (items == nullptr) std::abort();
    v->_items = items;
    v->_capacity = capacity;
  }
  v->_items[v->_count++] = objc::retain(object);
}

}  // namespace detail

namespace {

using namespace detail;

std::span<const id> itemsOf(id a) {
  auto* v = arrayIvars(a);
  return {v->_items, v->_count};
}

void checkElements(id receiver, SEL cmd, const id* objects, std::size_t count) {
  if (count > 0 && objects == nullptr) raiseNilArgument(receiver, cmd);
  for (std::size_t i = 0; i < count; ++i)
    if (objects[i] == nil)
      raise("NSInvalidArgumentException", receiver, cmd, "attempt to insert nil object from objects[%zu]", i);
}

void arrayDealloc(id self, SEL cmd) {
  auto* v = arrayIvars(self);
  for (std::size_t i = 0; i < v->_count; ++i) objc::release(v->_items[i]);
  if (v->_capacity > 0) std::free(v->_items);
  objc::sendSuper<void>(self, NSArrayClass(), cmd);
}

// alloc/init: the instance from alloc has no buffer yet.
void fillInstance(id self, const id* objects, std::size_t count) {
  auto* v = arrayIvars(self);
  if (count == 0) return;
  v->_items = static_cast<id*>(std::malloc(count * sizeof(id)));
  if (v->_items == nullptr) std::abort();
  v->_capacity = count;
  for (std::size_t i = 0; i < count; ++i) v->_items[i] = objc::retain(objects[i]);
  v->_count = count;
}

id arrayInit(id self, SEL) { return self; }

id arrayInitWithObjectsCount(id self, SEL cmd, const id* objects, NSUInteger count) {
  checkElements(self, cmd, objects, count);
  fillInstance(self, objects, count);
  return self;
}

id arrayInitWithArray(id self, SEL cmd, id other) {
  if (other != nil && !isArrayObject(other)) raiseNilArgument(self, cmd);
  if (other != nil) fillInstance(self, arrayIvars(other)->_items, arrayIvars(other)->_count);
  return self;
}

std::vector<id> collectNilTerminated(id first, va_list args) {
  std::vector<id> objects;
  for (id o = first; o != nil; o = va_arg(args, id)) objects.push_back(o);
  return objects;
}

id arrayInitWithObjects(id self, SEL, id first, ...) {
  va_list args;
  va_start(args, first);
  std::vector<id> objects = collectNilTerminated(first, args);
  va_end(args);
  fillInstance(self, objects.data(), objects.size());
  return self;
}

id arrayClassArray(id self, SEL) { return objc::autorelease(newArrayOfClass(asClass(self), nullptr, 0)); }

id arrayClassWithObject(id self, SEL cmd, id object) {
  if (object == nil) raise("NSInvalidArgumentException", self, cmd, "attempt to insert nil object from objects[0]");
  return objc::autorelease(newArrayOfClass(asClass(self), &object, 1));
}

id arrayClassWithObjectsCount(id self, SEL cmd, const id* objects, NSUInteger count) {
  checkElements(self, cmd, objects, count);
  return objc::autorelease(newArrayOfClass(asClass(self), objects, count));
}

id arrayClassWithObjects(id self, SEL, id first, ...) {
  va_list args;
  va_start(args, first);
  std::vector<id> objects = collectNilTerminated(first, args);
  va_end(args);
  return objc::autorelease(newArrayOfClass(asClass(self), objects.data(), objects.size()));
}

id arrayClassWithArray(id self, SEL cmd, id other) {
  if (other != nil && !isArrayObject(other)) raiseNilArgument(self, cmd);
  auto items = other ? itemsOf(other) : std::span<const id>();
  return objc::autorelease(newArrayOfClass(asClass(self), items.data(), items.size()));
}

NSUInteger arrayCount(id self, SEL) { return arrayIvars(self)->_count; }

id arrayObjectAtIndex(id self, SEL cmd, NSUInteger index) {
  auto* v = arrayIvars(self);
  if (index >= v->_count) [[unlikely]]
    raiseIndexBeyondBounds(self, cmd, index, v->_count);
  return v->_items[index];
}

id arrayFirstObject(id self, SEL) {
  auto* v = arrayIvars(self);
  return v->_count ? v->_items[0] : nil;
}

id arrayLastObject(id self, SEL) {
  auto* v = arrayIvars(self);
  return v->_count ? v->_items[v->_count - 1] : nil;
}

NSUInteger arrayIndexOfObject(id self, SEL, id object) {
  if (object == nil) return static_cast<NSUInteger>(NSNotFound);
  auto items = itemsOf(self);
  for (std::size_t i = 0; i < items.size(); ++i)
    if (objectsEqual(object, items[i])) return i;
  return static_cast<NSUInteger>(NSNotFound);
}

NSUInteger arrayIndexOfObjectIdenticalTo(id self, SEL, id object) {
  auto items = itemsOf(self);
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == object) return i;
  return static_cast<NSUInteger>(NSNotFound);
}

BOOL arrayContainsObject(id self, SEL cmd, id object) {
  return arrayIndexOfObject(self, cmd, object) != static_cast<NSUInteger>(NSNotFound) ? YES : NO;
}

id arrayByAddingObject(id self, SEL cmd, id object) {
  if (object == nil) raise("NSInvalidArgumentException", self, cmd, "object cannot be nil");
  auto items = itemsOf(self);
  id a = allocateArray(NSArrayClass(), items.size() + 1);
  auto* v = arrayIvars(a);
  for (id o : items) v->_items[v->_count++] = objc::retain(o);
  v->_items[v->_count++] = objc::retain(object);
  return objc::autorelease(a);
}

id arrayByAddingObjectsFromArray(id self, SEL cmd, id other) {
  if (other != nil && !isArrayObject(other)) raiseNilArgument(self, cmd);
  auto items = itemsOf(self);
  auto more = other ? itemsOf(other) : std::span<const id>();
  id a = allocateArray(NSArrayClass(), items.size() + more.size());
  auto* v = arrayIvars(a);
  for (id o : items) v->_items[v->_count++] = objc::retain(o);
  for (id o : more) v->_items[v->_count++] = objc::retain(o);
  return objc::autorelease(a);
}

bool equalArrays(id a, id b) {
  if (a == b) return true;
  auto x = itemsOf(a);
  auto y = itemsOf(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (!objectsEqual(x[i], y[i])) return false;
  return true;
}

BOOL arrayIsEqual(id self, SEL, id other) { return isArrayObject(other) && equalArrays(self, other) ? YES : NO; }
BOOL arrayIsEqualToArray(id self, SEL, id other) {
  return other != nil && isArrayObject(other) && equalArrays(self, other) ? YES : NO;
}
NSUInteger arrayHash(id self, SEL) { return arrayIvars(self)->_count; }

id arrayCopyWithZone(id self, SEL, void*) {
  if (!isMutableArrayClass(object_getClass(self))) return objc::retain(self);
  auto items = itemsOf(self);
  return newArrayOfClass(NSArrayClass(), items.data(), items.size());
}

id arrayMutableCopyWithZone(id self, SEL, void*) {
  auto items = itemsOf(self);
  return newArrayOfClass(NSMutableArrayClass(), items.data(), items.size());
}

id arraySubarrayWithRange(id self, SEL cmd, NSRange range) {
  auto items = itemsOf(self);
  if (range.location > items.size() || range.length > items.size() - range.location)
    raise("NSRangeException", self, cmd, "range {%lu, %lu} extends beyond bounds [0 .. %zu]", range.location,
          range.length, items.size() == 0 ? 0 : items.size() - 1);
  return objc::autorelease(newArrayOfClass(NSArrayClass(), items.data() + range.location, range.length));
}

id arrayComponentsJoinedByString(id self, SEL, id separator) {
  std::string sep(isStringObject(separator) ? stringView(separator) : std::string_view());
  std::string text;
  bool first = true;
  for (id o : itemsOf(self)) {
    if (!first) text += sep;
    first = false;
    text += utf8(o);
  }
  return objc::autorelease(newString(text));
}

void arrayMakeObjectsPerformSelector(id self, SEL, SEL selector) {
  // A snapshot, so an element that edits the array does not disturb the walk.
  objc::Ref hold = objc::Ref::retain(self);
  std::vector<objc::Ref> snapshot;
  for (id o : itemsOf(self)) snapshot.push_back(objc::Ref::retain(o));
  for (const auto& o : snapshot) objc::send<void>(o.get(), selector);
}

void arrayMakeObjectsPerformSelectorWithObject(id self, SEL, SEL selector, id argument) {
  objc::Ref hold = objc::Ref::retain(self);
  std::vector<objc::Ref> snapshot;
  for (id o : itemsOf(self)) snapshot.push_back(objc::Ref::retain(o));
  for (const auto& o : snapshot) objc::send<void>(o.get(), selector, argument);
}

id arraySortedArrayUsingSelector(id self, SEL, SEL comparator) {
  auto items = itemsOf(self);
  std::vector<id> sorted(items.begin(), items.end());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](id a, id b) { return objc::send<NSInteger>(a, comparator, b) < 0; });
  return objc::autorelease(newArrayOfClass(NSArrayClass(), sorted.data(), sorted.size()));
}

id arrayDescription(id self, SEL) { return objc::autorelease(newString(describeNested(self, 0))); }

Class registerNSArray() {
  Class cls = objc::ClassBuilder<NSArrayIvars>("NSArray", objc::NSObjectClass())
                  .ivar<&NSArrayIvars::_items>("_items")
                  .ivar<&NSArrayIvars::_count>("_count")
                  .ivar<&NSArrayIvars::_capacity>("_capacity")
                  .method<&arrayDealloc>("dealloc")
                  .method<&arrayInit>("init")
                  .method<&arrayInitWithObjectsCount>("initWithObjects:count:")
                  .method<&arrayInitWithArray>("initWithArray:")
                  .method<&arrayCount>("count")
                  .method<&arrayObjectAtIndex>("objectAtIndex:")
                  .method<&arrayObjectAtIndex>("objectAtIndexedSubscript:")
                  .method<&arrayFirstObject>("firstObject")
                  .method<&arrayLastObject>("lastObject")
                  .method<&arrayIndexOfObject>("indexOfObject:")
                  .method<&arrayIndexOfObjectIdenticalTo>("indexOfObjectIdenticalTo:")
                  .method<&arrayContainsObject>("containsObject:")
                  .method<&arrayByAddingObject>("arrayByAddingObject:")
                  .method<&arrayByAddingObjectsFromArray>("arrayByAddingObjectsFromArray:")
                  .method<&arrayIsEqual>("isEqual:")
                  .method<&arrayIsEqualToArray>("isEqualToArray:")
                  .method<&arrayHash>("hash")
                  .method<&arrayCopyWithZone>("copyWithZone:")
                  .method<&arrayMutableCopyWithZone>("mutableCopyWithZone:")
                  .method<&arraySubarrayWithRange>("subarrayWithRange:")
                  .method<&arrayComponentsJoinedByString>("componentsJoinedByString:")
                  .method<&arrayMakeObjectsPerformSelector>("makeObjectsPerformSelector:")
                  .method<&arrayMakeObjectsPerformSelectorWithObject>("makeObjectsPerformSelector:withObject:")
                  .method<&arraySortedArrayUsingSelector>("sortedArrayUsingSelector:")
                  .method<&arrayDescription>("description")
                  .classMethod<&arrayClassArray>("array")
                  .classMethod<&arrayClassWithObject>("arrayWithObject:")
                  .classMethod<&arrayClassWithObjectsCount>("arrayWithObjects:count:")
                  .classMethod<&arrayClassWithArray>("arrayWithArray:")
                  .registerClass();
  addVariadicMethod(cls, "initWithObjects:", &arrayInitWithObjects, "@@:@");
  addVariadicClassMethod(cls, "arrayWithObjects:", &arrayClassWithObjects, "@@:@");
  return cls;
}

}  // namespace

Class NSArrayClass() {
  static const Class cls = registerNSArray();
  return cls;
}

[[maybe_unused]] static const Class kNSArrayAtLoad = NSArrayClass();

id arrayWithObjects(const id* objects, std::size_t count) {
  checkElements(reinterpret_cast<id>(NSArrayClass()), sel_registerName("arrayWithObjects:count:"), objects, count);
  return objc::autorelease(newArrayOfClass(NSArrayClass(), objects, count));
}

id array(std::initializer_list<id> objects) { return arrayWithObjects(objects.begin(), objects.size()); }

objc::Ref makeArray(const id* objects, std::size_t count) {
  checkElements(reinterpret_cast<id>(NSArrayClass()), sel_registerName("arrayWithObjects:count:"), objects, count);
  return objc::Ref::adopt(newArrayOfClass(NSArrayClass(), objects, count));
}

id mutableArray(std::initializer_list<id> objects) {
  checkElements(reinterpret_cast<id>(NSMutableArrayClass()), sel_registerName("arrayWithObjects:count:"),
                objects.begin(), objects.size());
  return objc::autorelease(newArrayOfClass(NSMutableArrayClass(), objects.begin(), objects.size()));
}

std::span<const id> elements(id array) { return isArrayObject(array) ? itemsOf(array) : std::span<const id>(); }

bool isArray(id object) { return isArrayObject(object); }

}  // namespace ns
