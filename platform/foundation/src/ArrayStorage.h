// How NSArray keeps its elements: one contiguous buffer of retained object
// pointers, so count and objectAtIndex: are a load and a bounds check.
#pragma once

#include <foundation/NSArray.h>

#include <cstddef>

struct NSArrayIvars : NSObjectIvars {
  id* _items;
  NSUInteger _count;
  NSUInteger _capacity;
};

namespace ns::detail {

inline NSArrayIvars* arrayIvars(id a) { return reinterpret_cast<NSArrayIvars*>(a); }

bool isArrayObject(id object);
bool isMutableArrayClass(Class cls);

// A new array (+1) of class cls holding the objects, each retained.  Nil elements
// are a programming error of the caller.
id newArrayOfClass(Class cls, const id* objects, std::size_t count);
// Same, but takes over one reference of each object instead of retaining it.
id newArrayAdopting(Class cls, const id* objects, std::size_t count);

// Appends to a mutable array, retaining the object.
void arrayAppend(id array, id object);

}  // namespace ns::detail
