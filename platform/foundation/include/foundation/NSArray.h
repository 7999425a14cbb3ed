// NSArray and NSMutableArray: ordered collections that retain their elements, as
// runtime classes with iOS's semantics, plus a thin C++ face.  An out-of-range
// index or a nil element stops the process naming the method, as iOS raises there.
#pragma once

#include <objcface/NSObject.h>

#include <initializer_list>
#include <span>

namespace ns {

Class NSArrayClass();
Class NSMutableArrayClass();

// An autoreleased NSArray of the objects (none may be nil).
id array(std::initializer_list<id> objects);
id arrayWithObjects(const id* objects, std::size_t count);
// The same, owned by the caller.
objc::Ref makeArray(const id* objects, std::size_t count);
// An autoreleased NSMutableArray.
id mutableArray(std::initializer_list<id> objects = {});

// The elements of an NSArray without copying, for `for (id x : ns::elements(a))`.
// Valid while the array lives and is not mutated; empty for nil or a non-array.
std::span<const id> elements(id array);

bool isArray(id object);

}  // namespace ns
