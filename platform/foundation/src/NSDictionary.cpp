// NSDictionary and NSMutableDictionary.
#include "DictionaryStorage.h"

#include "ArrayStorage.h"
#include "Description.h"
#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <cstdarg>
#include <vector>

namespace ns {
namespace detail {

bool isDictionaryObject(id object) {
  if (object == nil) return false;
  Class cls = object_getClass(object);
  return cls == NSDictionaryClass() || cls == NSMutableDictionaryClass() || inheritsFrom(cls, NSDictionaryClass());
}

namespace {

id copyKey(id key) { return objc::send<id>(key, objc::sel<"copy">()); }

void checkEntries(id receiver, SEL cmd, const id* values, const id* keys, std::size_t count) {
  if (count > 0 && (values == nullptr || keys == nullptr)) raiseNilArgument(receiver, cmd);
  for (std::size_t i = 0; i < count; ++i) {
    if (values[i] == nil)
      raise("NSInvalidArgumentException", receiver, cmd, "attempt to insert nil object from objects[%zu]", i);
    if (keys[i] == nil)
      raise("NSInvalidArgumentException", receiver, cmd, "attempt to insert nil key from keys[%zu]", i);
  }
}

void fill(ObjectTable& table, const id* values, const id* keys, std::size_t count) {
  tableReserve(table, count);
  for (std::size_t i = 0; i < count; ++i) {
    id key = copyKey(keys[i]);
    tableSet(table, key, objc::retain(values[i]), objectHash(key));
  }
}

void fillFrom(ObjectTable& table, id other) {
  ObjectTable& source = dictionaryTable(other);
  tableReserve(table, table.count + source.count);
  // Into an empty table every key of the source is distinct already.
  bool fresh = table.count == 0 && &table != &source;
  for (std::size_t i = 0; i < source.used; ++i) {
    const TableEntry& e = source.entries[i];
    if (e.key == nil) continue;
    if (fresh) {
      tableAppendNew(table, objc::retain(e.key), objc::retain(e.value), e.hash);
    } else {
      tableSet(table, objc::retain(e.key), objc::retain(e.value), e.hash);
    }
  }
}

}  // namespace

id newDictionaryOfClass(Class cls, const id* values, const id* keys, std::size_t count) {
  id d = class_createInstance(cls, 0);
  fill(dictionaryTable(d), values, keys, count);
  return d;
}

id newDictionaryAdopting(Class cls, id* values, id* keys, std::size_t count) {
  id d = class_createInstance(cls, 0);
  ObjectTable& table = dictionaryTable(d);
  tableReserve(table, count);
  const Class plainString = NSStringClass();
  for (std::size_t i = 0; i < count; ++i) {
    id key = keys[i];
    // An immutable string is its own copy: taken as it is; anything else copied.
    if (object_getClass(key) != plainString && (!isStringObject(key) || isMutableStringClass(object_getClass(key)))) {
      id copied = copyKey(key);
      objc::release(key);
      key = copied;
    }
    tableSet(table, key, values[i], objectHash(key));
  }
  return d;
}

id newDictionaryAdoptingStringKeys(Class cls, id* values, id* keys, std::size_t count, std::vector<id>& dropped) {
  id d = class_createInstance(cls, 0);
  ObjectTable& table = dictionaryTable(d);
  tableReserve(table, count);
  for (std::size_t i = 0; i < count; ++i) tableSet(table, keys[i], values[i], objectHash(keys[i]), &dropped);
  return d;
}

id newDictionaryFrom(Class cls, id other) {
  id d = class_createInstance(cls, 0);
  if (other != nil) {
    ObjectTable& table = dictionaryTable(d);
    ObjectTable& source = dictionaryTable(other);
    tableReserve(table, source.count);
    for (std::size_t i = 0; i < source.used; ++i) {
      const TableEntry& e = source.entries[i];
      if (e.key != nil) tableAppendNew(table, objc::retain(e.key), objc::retain(e.value), e.hash);
    }
  }
  return d;
}

}  // namespace detail

namespace {

using namespace detail;

void dictionaryDealloc(id self, SEL cmd) {
  tableDestroy(dictionaryTable(self));
  objc::sendSuper<void>(self, NSDictionaryClass(), cmd);
}

id dictionaryInit(id self, SEL) { return self; }

id dictionaryInitWithObjectsForKeysCount(id self, SEL cmd, const id* values, const id* keys, NSUInteger count) {
  checkEntries(self, cmd, values, keys, count);
  fill(dictionaryTable(self), values, keys, count);
  return self;
}

void requireDictionary(id self, SEL cmd, id other) {
  if (other != nil && !isDictionaryObject(other)) raiseNilArgument(self, cmd);
}

id dictionaryInitWithDictionary(id self, SEL cmd, id other) {
  requireDictionary(self, cmd, other);
  if (other) fillFrom(dictionaryTable(self), other);
  return self;
}

// Parallel arrays of values and keys.
void requireParallelArrays(id self, SEL cmd, id values, id keys) {
  if (!isArrayObject(values) || !isArrayObject(keys)) raiseNilArgument(self, cmd);
  if (arrayIvars(values)->_count != arrayIvars(keys)->_count)
    raise("NSInvalidArgumentException", self, cmd, "count of objects (%lu) differs from count of keys (%lu)",
          arrayIvars(values)->_count, arrayIvars(keys)->_count);
}

id dictionaryInitWithObjectsForKeys(id self, SEL cmd, id values, id keys) {
  requireParallelArrays(self, cmd, values, keys);
  fill(dictionaryTable(self), arrayIvars(values)->_items, arrayIvars(keys)->_items, arrayIvars(keys)->_count);
  return self;
}

// The entries of "value, key, value, key, …, nil", checked as every initialiser
// checks its entries (a nil key stops the process as on iOS).
struct Entries {
  std::vector<id> values;
  std::vector<id> keys;
};
Entries checkedObjectsAndKeys(id self, SEL cmd, id first, va_list args) {
  Entries e;
  for (id value = first; value != nil; value = va_arg(args, id)) {
    id key = va_arg(args, id);
    e.values.push_back(value);
    e.keys.push_back(key);
    if (key == nil) break;
  }
  checkEntries(self, cmd, e.values.data(), e.keys.data(), e.values.size());
  return e;
}

id dictionaryInitWithObjectsAndKeys(id self, SEL cmd, id first, ...) {
  va_list args;
  va_start(args, first);
  Entries e = checkedObjectsAndKeys(self, cmd, first, args);
  va_end(args);
  fill(dictionaryTable(self), e.values.data(), e.keys.data(), e.values.size());
  return self;
}

id dictionaryClassDictionary(id self, SEL) { return objc::autorelease(class_createInstance(asClass(self), 0)); }

id dictionaryClassWithDictionary(id self, SEL cmd, id other) {
  requireDictionary(self, cmd, other);
  return objc::autorelease(newDictionaryFrom(asClass(self), other));
}

id dictionaryClassWithObjectForKey(id self, SEL cmd, id value, id key) {
  checkEntries(self, cmd, &value, &key, 1);
  return objc::autorelease(newDictionaryOfClass(asClass(self), &value, &key, 1));
}

id dictionaryClassWithObjectsForKeysCount(id self, SEL cmd, const id* values, const id* keys, NSUInteger count) {
  checkEntries(self, cmd, values, keys, count);
  return objc::autorelease(newDictionaryOfClass(asClass(self), values, keys, count));
}

id dictionaryClassWithObjectsForKeys(id self, SEL cmd, id values, id keys) {
  requireParallelArrays(self, cmd, values, keys);
  return objc::autorelease(
      newDictionaryOfClass(asClass(self), arrayIvars(values)->_items, arrayIvars(keys)->_items, arrayIvars(keys)->_count));
}

id dictionaryClassWithObjectsAndKeys(id self, SEL cmd, id first, ...) {
  va_list args;
  va_start(args, first);
  Entries e = checkedObjectsAndKeys(self, cmd, first, args);
  va_end(args);
  return objc::autorelease(newDictionaryOfClass(asClass(self), e.values.data(), e.keys.data(), e.values.size()));
}

NSUInteger dictionaryCount(id self, SEL) { return dictionaryTable(self).count; }

id dictionaryObjectForKey(id self, SEL, id key) {
  ObjectTable& t = dictionaryTable(self);
  if (key == nil || t.count == 0) return nil;
  std::size_t i = tableFind(t, key, objectHash(key));
  return i == kNoEntry ? nil : t.entries[i].value;
}

id dictionaryAllKeys(id self, SEL) {
  ObjectTable& t = dictionaryTable(self);
  std::vector<id> keys;
  keys.reserve(t.count);
  for (auto [key, value] : tableEntries(t)) keys.push_back(key);
  return objc::autorelease(newArrayOfClass(NSArrayClass(), keys.data(), keys.size()));
}

id dictionaryAllValues(id self, SEL) {
  ObjectTable& t = dictionaryTable(self);
  std::vector<id> values;
  values.reserve(t.count);
  for (auto [key, value] : tableEntries(t)) values.push_back(value);
  return objc::autorelease(newArrayOfClass(NSArrayClass(), values.data(), values.size()));
}

id dictionaryAllKeysForObject(id self, SEL, id object) {
  std::vector<id> keys;
  for (auto [key, value] : tableEntries(dictionaryTable(self)))
    if (objectsEqual(object, value)) keys.push_back(key);
  return objc::autorelease(newArrayOfClass(NSArrayClass(), keys.data(), keys.size()));
}

bool equalDictionaries(id a, id b) {
  if (a == b) return true;
  ObjectTable& x = dictionaryTable(a);
  ObjectTable& y = dictionaryTable(b);
  if (x.count != y.count) return false;
  for (std::size_t i = 0; i < x.used; ++i) {
    const TableEntry& e = x.entries[i];
    if (e.key == nil) continue;
    std::size_t j = tableFind(y, e.key, e.hash);
    if (j == kNoEntry || !objectsEqual(e.value, y.entries[j].value)) return false;
  }
  return true;
}

BOOL dictionaryIsEqual(id self, SEL, id other) {
  return isDictionaryObject(other) && equalDictionaries(self, other) ? YES : NO;
}
BOOL dictionaryIsEqualToDictionary(id self, SEL, id other) {
  return other != nil && isDictionaryObject(other) && equalDictionaries(self, other) ? YES : NO;
}
NSUInteger dictionaryHash(id self, SEL) { return dictionaryTable(self).count; }

bool isMutableDictionaryClass(Class cls) {
  return cls == NSMutableDictionaryClass() ||
         (cls != NSDictionaryClass() && inheritsFrom(cls, NSMutableDictionaryClass()));
}

id dictionaryCopyWithZone(id self, SEL, void*) {
  if (!isMutableDictionaryClass(object_getClass(self))) return objc::retain(self);
  return newDictionaryFrom(NSDictionaryClass(), self);
}

id dictionaryMutableCopyWithZone(id self, SEL, void*) { return newDictionaryFrom(NSMutableDictionaryClass(), self); }

id dictionaryDescription(id self, SEL) { return objc::autorelease(newString(describeNested(self, 0))); }

// NSMutableDictionary.
void setObjectForKey(id self, SEL cmd, id value, id key) {
  if (key == nil) [[unlikely]]
    raise("NSInvalidArgumentException", self, cmd, "key cannot be nil");
  if (value == nil) [[unlikely]]
    raise("NSInvalidArgumentException", self, cmd, "object cannot be nil (key: %s)", describeNested(key, 0).c_str());
  id copied = copyKey(key);
  tableSet(dictionaryTable(self), copied, objc::retain(value), objectHash(copied));
}

void removeObjectForKey(id self, SEL cmd, id key) {
  if (key == nil) raise("NSInvalidArgumentException", self, cmd, "key cannot be nil");
  ObjectTable& t = dictionaryTable(self);
  if (t.count == 0) return;
  tableRemove(t, key, objectHash(key));
}

// setValue:forKey: and keyed subscripts remove the entry for a nil value.
void setValueForKey(id self, SEL cmd, id value, id key) {
  if (key == nil) raise("NSInvalidArgumentException", self, cmd, "key cannot be nil");
  if (value == nil) {
    removeObjectForKey(self, cmd, key);
  } else {
    setObjectForKey(self, cmd, value, key);
  }
}

void removeAllObjects(id self, SEL) { tableClear(dictionaryTable(self)); }

void addEntriesFromDictionary(id self, SEL cmd, id other) {
  requireDictionary(self, cmd, other);
  if (other == nil || other == self) return;
  objc::Ref hold = objc::Ref::retain(other);
  fillFrom(dictionaryTable(self), other);
}

void removeObjectsForKeys(id self, SEL cmd, id keys) {
  if (keys != nil && !isArrayObject(keys)) raiseNilArgument(self, cmd);
  if (keys == nil) return;
  objc::Ref hold = objc::Ref::retain(keys);
  auto* v = arrayIvars(keys);
  for (std::size_t i = 0; i < v->_count; ++i) removeObjectForKey(self, cmd, v->_items[i]);
}

void setDictionary(id self, SEL cmd, id other) {
  requireDictionary(self, cmd, other);
  if (other == self) return;
  objc::Ref hold = objc::Ref::retain(other);
  tableClear(dictionaryTable(self));
  if (other) fillFrom(dictionaryTable(self), other);
}

id initWithCapacity(id self, SEL, NSUInteger capacity) {
  tableReserve(dictionaryTable(self), capacity);
  return self;
}

id classDictionaryWithCapacity(id self, SEL cmd, NSUInteger capacity) {
  return objc::autorelease(initWithCapacity(class_createInstance(asClass(self), 0), cmd, capacity));
}

Class registerNSDictionary() {
  Class cls = objc::ClassBuilder<NSDictionaryIvars>("NSDictionary", objc::NSObjectClass())
                  .ivar<&NSDictionaryIvars::_table>("_table")
                  .method<&dictionaryDealloc>("dealloc")
                  .method<&dictionaryInit>("init")
                  .method<&dictionaryInitWithObjectsForKeysCount>("initWithObjects:forKeys:count:")
                  .method<&dictionaryInitWithObjectsForKeys>("initWithObjects:forKeys:")
                  .method<&dictionaryInitWithDictionary>("initWithDictionary:")
                  .method<&dictionaryCount>("count")
                  .method<&dictionaryObjectForKey>("objectForKey:")
                  .method<&dictionaryObjectForKey>("objectForKeyedSubscript:")
                  .method<&dictionaryObjectForKey>("valueForKey:")
                  .method<&dictionaryAllKeys>("allKeys")
                  .method<&dictionaryAllValues>("allValues")
                  .method<&dictionaryAllKeysForObject>("allKeysForObject:")
                  .method<&dictionaryIsEqual>("isEqual:")
                  .method<&dictionaryIsEqualToDictionary>("isEqualToDictionary:")
                  .method<&dictionaryHash>("hash")
                  .method<&dictionaryCopyWithZone>("copyWithZone:")
                  .method<&dictionaryMutableCopyWithZone>("mutableCopyWithZone:")
                  .method<&dictionaryDescription>("description")
                  .classMethod<&dictionaryClassDictionary>("dictionary")
                  .classMethod<&dictionaryClassWithDictionary>("dictionaryWithDictionary:")
                  .classMethod<&dictionaryClassWithObjectForKey>("dictionaryWithObject:forKey:")
                  .classMethod<&dictionaryClassWithObjectsForKeysCount>("dictionaryWithObjects:forKeys:count:")
                  .classMethod<&dictionaryClassWithObjectsForKeys>("dictionaryWithObjects:forKeys:")
                  .registerClass();
  addVariadicMethod(cls, "initWithObjectsAndKeys:", &dictionaryInitWithObjectsAndKeys, "@@:@");
  addVariadicClassMethod(cls, "dictionaryWithObjectsAndKeys:", &dictionaryClassWithObjectsAndKeys, "@@:@");
  return cls;
}

Class registerNSMutableDictionary() {
  return objc::ClassBuilder<NSDictionaryIvars>("NSMutableDictionary", NSDictionaryClass())
      .method<&setObjectForKey>("setObject:forKey:")
      .method<&setValueForKey>("setObject:forKeyedSubscript:")
      .method<&setValueForKey>("setValue:forKey:")
      .method<&removeObjectForKey>("removeObjectForKey:")
      .method<&removeAllObjects>("removeAllObjects")
      .method<&addEntriesFromDictionary>("addEntriesFromDictionary:")
      .method<&removeObjectsForKeys>("removeObjectsForKeys:")
      .method<&setDictionary>("setDictionary:")
      .method<&initWithCapacity>("initWithCapacity:")
      .classMethod<&classDictionaryWithCapacity>("dictionaryWithCapacity:")
      .registerClass();
}

}  // namespace

Class NSDictionaryClass() {
  static const Class cls = registerNSDictionary();
  return cls;
}

Class NSMutableDictionaryClass() {
  static const Class cls = registerNSMutableDictionary();
  return cls;
}

[[maybe_unused]] static const bool kDictionariesAtLoad = (NSDictionaryClass(), NSMutableDictionaryClass(), true);

namespace {

id build(Class cls, std::initializer_list<std::pair<id, id>> entries) {
  std::vector<id> values;
  std::vector<id> keys;
  values.reserve(entries.size());
  keys.reserve(entries.size());
  for (const auto& [key, value] : entries) {
    keys.push_back(key);
    values.push_back(value);
  }
  checkEntries(reinterpret_cast<id>(cls), sel_registerName("dictionaryWithObjects:forKeys:count:"), values.data(),
               keys.data(), values.size());
  return objc::autorelease(newDictionaryOfClass(cls, values.data(), keys.data(), values.size()));
}

}  // namespace

id dictionary(std::initializer_list<std::pair<id, id>> entries) { return build(NSDictionaryClass(), entries); }

id mutableDictionary(std::initializer_list<std::pair<id, id>> entries) {
  return build(NSMutableDictionaryClass(), entries);
}

id dictionaryWithObjects(const id* values, const id* keys, std::size_t count) {
  checkEntries(reinterpret_cast<id>(NSDictionaryClass()), sel_registerName("dictionaryWithObjects:forKeys:count:"),
               values, keys, count);
  return objc::autorelease(newDictionaryOfClass(NSDictionaryClass(), values, keys, count));
}

EntryRange entries(id object) {
  if (isDictionaryObject(object)) return tableEntries(dictionaryTable(object));
  if (isSetObject(object)) return tableEntries(setTable(object));
  return {};
}

bool isDictionary(id object) { return isDictionaryObject(object); }

}  // namespace ns
