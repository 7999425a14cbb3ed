// The ivars of NSDictionary and NSSet: one ObjectTable each.
#pragma once

#include "ObjectTable.h"

#include <vector>

struct NSDictionaryIvars : NSObjectIvars {
  ns::detail::ObjectTable _table;
};

struct NSSetIvars : NSObjectIvars {
  ns::detail::ObjectTable _table;
};

namespace ns::detail {

inline ObjectTable& dictionaryTable(id d) { return reinterpret_cast<NSDictionaryIvars*>(d)->_table; }
inline ObjectTable& setTable(id s) { return reinterpret_cast<NSSetIvars*>(s)->_table; }

bool isDictionaryObject(id object);
bool isSetObject(id object);

// A new dictionary (+1) of class cls; keys are copied, values retained.
id newDictionaryOfClass(Class cls, const id* values, const id* keys, std::size_t count);
// The same, taking over one reference to every key and value (none may be nil), for
// readers that made them: no retain and release per entry.
id newDictionaryAdopting(Class cls, id* values, id* keys, std::size_t count);
// The same for immutable string keys only, made by a reader that may refer to the
// same objects again: a key given twice keeps the last value, and the objects that
// drops (the earlier value, the later key) are appended to `dropped`, still owned,
// instead of being released while the reader may still point at them.
id newDictionaryAdoptingStringKeys(Class cls, id* values, id* keys, std::size_t count, std::vector<id>& dropped);
// A new dictionary (+1) of class cls with the entries of another (keys retained:
// they are copies already).
id newDictionaryFrom(Class cls, id other);

}  // namespace ns::detail
