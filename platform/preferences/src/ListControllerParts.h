// The methods of PSListController that live outside PSListController.cpp, so the
// class is registered in one place.
#pragma once

#include <objcface/Types.h>

namespace preferences::detail {

// PreferenceValues.cpp: the preference machinery.
id readPreferenceValue(id self, SEL cmd, id specifier);
void setPreferenceValue(id self, SEL cmd, id value, id specifier);

// PreferenceBundles.cpp: the bundle that defines a class (or a superclass), or nil.
id registeredBundleForClass(Class cls);

}  // namespace preferences::detail
