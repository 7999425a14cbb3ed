// The ivars of NSDictionary and NSSet: one ObjectTable each.
#pragma once

#include "ObjectTable.h"

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
// A new dictionary (+1) of class cls with the entries of another (keys retained:
// they are copies already).
id newDictionaryFrom(Class cls, id other);

}  // namespace ns::detail
