// NSSet and NSMutableSet: unordered collections of distinct objects (by
// isEqual:/hash), retained, kept in insertion order so iteration is deterministic.
// Iterate from C++ with `for (auto [member, unused] : ns::entries(set))`.
#pragma once

#include <objcface/NSObject.h>

#include <initializer_list>

namespace ns {

Class NSSetClass();
Class NSMutableSetClass();

// An autoreleased NSSet of the objects (none may be nil; duplicates collapse).
id set(std::initializer_list<id> objects);
id mutableSet(std::initializer_list<id> objects = {});

bool isSet(id object);

}  // namespace ns
