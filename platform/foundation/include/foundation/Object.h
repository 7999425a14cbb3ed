// Helpers for any object from C++: its description as text and class tests by
// name.  Loading Foundation also gives NSObject its NSString -description,
// +description and -debugDescription.
#pragma once

#include <objcface/NSObject.h>

#include <string>

namespace ns {

// [object description] as UTF-8; "(null)" for nil.
std::string describe(id object);

// [object isKindOfClass:NSClassFromString(className)], without a send; false for nil
// or an unknown class name.
bool isKind(id object, const char* className);
bool isKind(id object, Class cls);

}  // namespace ns
