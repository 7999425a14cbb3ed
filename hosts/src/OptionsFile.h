// The options file of a preferences domain, as the scenario commands `set`, `unset`
// and `expect option` see it: one key written or removed at a time, every other key
// kept, the whole file replaced atomically (a temporary file in the same folder,
// then a rename).  Reads XML and binary property lists by content; writes XML, as
// the Settings app's preference machinery does.
#pragma once

#include "ScriptCommands.h"

#include <objcface/Result.h>

#include <optional>
#include <string>
#include <string_view>

namespace hosts {

inline constexpr std::string_view kNoctilOptionsPath = "/var/mobile/Library/Preferences/com.trelmo.noctil.plist";
inline constexpr std::string_view kNoctilSettingsChanged = "com.trelmo.noctil.settingschanged";

// Sets `key` in the dictionary of the file at a device path (created with its folders
// when missing).  An error, and nothing written, when the file exists but is not a
// readable dictionary, or the write fails.
objc::Status writeOption(std::string_view devicePath, const std::string& key, const scenario::OptionValue& value);

// Removes `key`; removing an absent key (or from a missing file) writes nothing.
objc::Status removeOption(std::string_view devicePath, const std::string& key);

struct OptionReading {
  // YES / NO, a whole number, a real in its shortest form, the string itself, an
  // array's elements joined by commas, or "{…}" for a dictionary.
  std::string text;
  std::optional<double> number;  // for numbers and booleans (1 / 0)
};

// The value of `key`; std::nullopt when the file or the key is absent.  An error when
// the file exists but is not a readable dictionary.
objc::Result<std::optional<OptionReading>> readOption(std::string_view devicePath, const std::string& key);

}  // namespace hosts
