// NSMutableArray's edits.  Every element stored is retained and every element
// dropped is released after the array is consistent again, so a dealloc that runs
// from the release sees a whole array.
#include "ArrayStorage.h"

#include "Description.h"
#include "Fatal.h"
#include "Methods.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ns {
namespace {

using namespace detail;

void ensureCapacity(NSArrayIvars* v, std::size_t needed) {
  if (needed <= v->_capacity) return;
  std::size_t capacity = std::max<std::size_t>({needed, v->_capacity * 2, 8});
  // A mutable array made through alloc/init of NSArray code paths may hold an
  // unowned buffer (capacity 0): copy rather than realloc it.
  auto* items = static_cast<id*>(std::malloc(capacity * sizeof(id)));
  if (items == nullptr) std::abort();
  if (v->_count) std::memcpy(items, v->_items, v->_count * sizeof(id));
  if (v->_capacity > 0) std::free(v->_items);
  v->_items = items;
  v->_capacity = capacity;
}

void insertAt(id self, std::size_t index, id object) {
  auto* v = arrayIvars(self);
  ensureCapacity(v, v->_count + 1);
  std::memmove(v->_items + index + 1, v->_items + index, (v->_count - index) * sizeof(id));
  v->_items[index] = objc::retain(object);
  ++v->_count;
}

void addObject(id self, SEL cmd, id object) {
  if (object == nil) [[unlikely]]
    raise("NSInvalidArgumentException", self, cmd, "object cannot be nil");
  auto* v = arrayIvars(self);
  ensureCapacity(v, v->_count + 1);
  v->_items[v->_count++] = objc::retain(object);
}

void insertObjectAtIndex(id self, SEL cmd, id object, NSUInteger index) {
  if (object == nil) raise("NSInvalidArgumentException", self, cmd, "object cannot be nil");
  auto* v = arrayIvars(self);
  if (index > v->_count) {
    if (v->_count == 0) raise("NSRangeException", self, cmd, "index %lu beyond bounds for empty array", index);
    raise("NSRangeException", self, cmd, "index %lu beyond bounds [0 .. %lu]", index, v->_count);
  }
  insertAt(self, index, object);
}

void removeObjectAtIndex(id self, SEL cmd, NSUInteger index) {
  auto* v = arrayIvars(self);
  if (index >= v->_count) raiseIndexBeyondBounds(self, cmd, index, v->_count);
  id removed = v->_items[index];
  std::memmove(v->_items + index, v->_items + index + 1, (v->_count - index - 1) * sizeof(id));
  --v->_count;
  objc::release(removed);
}

void removeLastObject(id self, SEL cmd) {
  auto* v = arrayIvars(self);
  if (v->_count == 0) raise("NSRangeException", self, cmd, "index 0 beyond bounds for empty array");
  id removed = v->_items[--v->_count];
  objc::release(removed);
}

// Drops every element for which `drop` answers true, keeping the order of the rest.
template <class Predicate>
void removeWhere(id self, Predicate drop) {
  auto* v = arrayIvars(self);
  std::vector<id> removed;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < v->_count; ++i) {
    id o = v->_items[i];
    if (drop(o)) {
      removed.push_back(o);
    } else {
      v->_items[kept++] = o;
    }
  }
  v->_count = kept;
  for (id o : removed) objc::release(o);
}

void removeObject(id self, SEL, id object) {
  if (object == nil) return;
  // The argument may be owned only by this array; keep it alive for the comparisons.
  objc::Ref hold = objc::Ref::retain(object);
  removeWhere(self, [&](id element) { return objectsEqual(object, element); });
}

void removeObjectIdenticalTo(id self, SEL, id object) {
  if (object == nil) return;
  objc::Ref hold = objc::Ref::retain(object);
  removeWhere(self, [&](id element) { return element == object; });
}

void removeObjectsInArray(id self, SEL cmd, id other) {
  if (other == nil) return;
  if (!isArrayObject(other)) raiseNilArgument(self, cmd);
  objc::Ref hold = objc::Ref::retain(other);
  auto* o = arrayIvars(other);
  std::span<const id> doomed(o->_items, o->_count);
  std::vector<objc::Ref> keep;
  for (id d : doomed) keep.push_back(objc::Ref::retain(d));
  removeWhere(self, [&](id element) {
    return std::any_of(doomed.begin(), doomed.end(), [&](id d) { return objectsEqual(d, element); });
  });
}

void removeAllObjects(id self, SEL) {
  auto* v = arrayIvars(self);
  std::vector<id> removed(v->_items, v->_items + v->_count);
  v->_count = 0;
  for (id o : removed) objc::release(o);
}

void replaceObjectAtIndexWithObject(id self, SEL cmd, NSUInteger index, id object) {
  if (object == nil) raise("NSInvalidArgumentException", self, cmd, "object cannot be nil");
  auto* v = arrayIvars(self);
  if (index >= v->_count) raiseIndexBeyondBounds(self, cmd, index, v->_count);
  id old = v->_items[index];
  v->_items[index] = objc::retain(object);
  objc::release(old);
}

void setObjectAtIndexedSubscript(id self, SEL cmd, id object, NSUInteger index) {
  auto* v = arrayIvars(self);
  if (index == v->_count) {
    if (object == nil) raise("NSInvalidArgumentException", self, cmd, "object cannot be nil");
    insertAt(self, index, object);
    return;
  }
  replaceObjectAtIndexWithObject(self, cmd, index, object);
}

void addObjectsFromArray(id self, SEL cmd, id other) {
  if (other == nil) return;
  if (!isArrayObject(other)) raiseNilArgument(self, cmd);
  auto* o = arrayIvars(other);
  // Copy the pointers first: other may be self.
  std::vector<id> items(o->_items, o->_items + o->_count);
  auto* v = arrayIvars(self);
  ensureCapacity(v, v->_count + items.size());
  for (id item : items) v->_items[v->_count++] = objc::retain(item);
}

void exchangeObjects(id self, SEL cmd, NSUInteger a, NSUInteger b) {
  auto* v = arrayIvars(self);
  if (a >= v->_count) raiseIndexBeyondBounds(self, cmd, a, v->_count);
  if (b >= v->_count) raiseIndexBeyondBounds(self, cmd, b, v->_count);
  std::swap(v->_items[a], v->_items[b]);
}

void setArray(id self, SEL cmd, id other) {
  if (other != nil && !isArrayObject(other)) raiseNilArgument(self, cmd);
  objc::Ref hold = objc::Ref::retain(other);
  std::vector<id> items;
  if (other) items.assign(arrayIvars(other)->_items, arrayIvars(other)->_items + arrayIvars(other)->_count);
  for (id item : items) objc::retain(item);
  removeAllObjects(self, cmd);
  auto* v = arrayIvars(self);
  ensureCapacity(v, items.size());
  for (id item : items) v->_items[v->_count++] = item;
}

void sortUsingSelector(id self, SEL, SEL comparator) {
  auto* v = arrayIvars(self);
  std::vector<id> sorted(v->_items, v->_items + v->_count);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](id a, id b) { return objc::send<NSInteger>(a, comparator, b) < 0; });
  if (v->_count == sorted.size()) std::copy(sorted.begin(), sorted.end(), v->_items);
}

id initWithCapacity(id self, SEL, NSUInteger capacity) {
  ensureCapacity(arrayIvars(self), capacity);
  return self;
}

id classArrayWithCapacity(id self, SEL cmd, NSUInteger capacity) {
  return objc::autorelease(initWithCapacity(class_createInstance(asClass(self), 0), cmd, capacity));
}

Class registerNSMutableArray() {
  return objc::ClassBuilder<NSArrayIvars>("NSMutableArray", NSArrayClass())
      .method<&addObject>("addObject:")
      .method<&insertObjectAtIndex>("insertObject:atIndex:")
      .method<&removeObjectAtIndex>("removeObjectAtIndex:")
      .method<&removeLastObject>("removeLastObject")
      .method<&removeObject>("removeObject:")
      .method<&removeObjectIdenticalTo>("removeObjectIdenticalTo:")
      .method<&removeObjectsInArray>("removeObjectsInArray:")
      .method<&removeAllObjects>("removeAllObjects")
      .method<&replaceObjectAtIndexWithObject>("replaceObjectAtIndex:withObject:")
      .method<&setObjectAtIndexedSubscript>("setObject:atIndexedSubscript:")
      .method<&addObjectsFromArray>("addObjectsFromArray:")
      .method<&exchangeObjects>("exchangeObjectAtIndex:withObjectAtIndex:")
      .method<&setArray>("setArray:")
      .method<&sortUsingSelector>("sortUsingSelector:")
      .method<&initWithCapacity>("initWithCapacity:")
      .classMethod<&classArrayWithCapacity>("arrayWithCapacity:")
      .registerClass();
}

}  // namespace

Class NSMutableArrayClass() {
  static const Class cls = registerNSMutableArray();
  return cls;
}

[[maybe_unused]] static const Class kNSMutableArrayAtLoad = NSMutableArrayClass();

}  // namespace ns
