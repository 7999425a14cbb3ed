// Options files for the iOS 6 tweak's tests: written by the platform's own writer, as
// the Settings app writes them, or copied from the files Python's plistlib wrote
// (tests/data/noctil6, make_options.py).
#pragma once

#include "Options.h"

#include <TestSupport.h>

#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <utility>

namespace noctil6_tests {

inline id string(const char* text) { return ns::str(text); }
inline id boolean(BOOL value) {
  return objc::send<id>(objc_lookUpClass("NSNumber"), objc::sel<"numberWithBool:">(), value);
}
inline id number(double value) {
  return objc::send<id>(objc_lookUpClass("NSNumber"), objc::sel<"numberWithDouble:">(), value);
}
inline id integer(int value) {
  return objc::send<id>(objc_lookUpClass("NSNumber"), objc::sel<"numberWithInt:">(), value);
}

// The options file of the current device root, as a host path.
inline std::filesystem::path optionsFile() { return ns::deviceRoot() / "var/mobile/Library/Preferences/com.trelmo.noctil.plist"; }

// Writes the options file holding exactly these keys (nil values are skipped).
inline void writeOptions(std::initializer_list<std::pair<const char*, id>> entries) {
  objc::AutoreleasePool pool;
  std::filesystem::create_directories(optionsFile().parent_path());
  id dictionary = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), objc::sel<"dictionary">());
  for (const auto& [key, value] : entries)
    if (value != nil) objc::send<void>(dictionary, objc::sel<"setObject:forKey:">(), value, string(key));
  ASSERT_TRUE(objc::send<BOOL>(dictionary, objc::sel<"writeToFile:atomically:">(), string(noctil6::kOptionsPath),
                               BOOL{YES}));
}

// Puts a file of tests/data/noctil6 in place of the options file.
inline void copyOptionsFile(const char* name) {
  std::filesystem::create_directories(optionsFile().parent_path());
  std::filesystem::copy_file(testing_support::testDataDir() / "noctil6" / name, optionsFile(),
                             std::filesystem::copy_options::overwrite_existing);
}

}  // namespace noctil6_tests
