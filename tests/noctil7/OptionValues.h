// Options files written by the tests of the tweak's start-up and background: the
// dictionary is built from Foundation objects and written as the Settings app writes
// it, so the loader reads exactly what a device would hold.
#pragma once

#include "Options.h"

#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace noctil7_tests {

inline id string(const char* text) { return ns::str(text); }
inline id boolean(BOOL value) {
  return objc::send<id>(objc_lookUpClass("NSNumber"), objc::sel<"numberWithBool:">(), value);
}
inline id number(double value) {
  return objc::send<id>(objc_lookUpClass("NSNumber"), objc::sel<"numberWithDouble:">(), value);
}

// Writes the options file holding exactly these keys (nil values are skipped).
inline void writeOptions(std::initializer_list<std::pair<const char*, id>> entries) {
  objc::AutoreleasePool pool;
  id dictionary = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), objc::sel<"dictionary">());
  for (const auto& [key, value] : entries)
    if (value != nil) objc::send<void>(dictionary, objc::sel<"setObject:forKey:">(), value, string(key));
  ASSERT_TRUE(objc::send<BOOL>(dictionary, objc::sel<"writeToFile:atomically:">(), string(noctil7::kOptionsPath),
                               BOOL{YES}));
}

}  // namespace noctil7_tests
