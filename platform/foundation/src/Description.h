// Shared helpers of the collection classes: element equality and hashing through
// message sends (so any class's isEqual:/hash take part), and the nested
// description text of arrays, dictionaries and sets.
#pragma once

#include <objcface/Send.h>

#include <string>

namespace ns::detail {

// [a isEqual:b], with identity as a shortcut; nil equals nothing.
inline bool objectsEqual(id a, id b) {
  if (a == b) return a != nil;
  return objc::send<BOOL>(a, objc::sel<"isEqual:">(), b) != NO;
}

inline NSUInteger objectHash(id object) { return objc::send<NSUInteger>(object, objc::sel<"hash">()); }

// The description of an object as an element at nesting depth `indent`: strings
// are quoted when they need it, collections are laid out over several lines.
std::string describeNested(id object, int indent);

}  // namespace ns::detail
