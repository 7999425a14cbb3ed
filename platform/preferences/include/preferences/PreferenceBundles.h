// Preference bundles as the Settings app loads them: the entries under
// /Library/PreferenceLoader/Preferences that name a bundle, the bundle's executable
// mapped into the process once, and the bundle each of its classes came from (what a
// pane's `bundle` answers).
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <string>
#include <string_view>
#include <vector>

namespace preferences {

inline constexpr std::string_view kPreferenceLoaderFolder = "/Library/PreferenceLoader/Preferences";
inline constexpr std::string_view kPreferenceBundlesFolder = "/Library/PreferenceBundles";

// One entry of the Settings app's list: the "entry" dictionary of a file under the
// PreferenceLoader folder.
struct LoaderEntry {
  std::string file;    // the entry file's device path
  std::string bundle;  // "bundle": the bundle's name, without ".bundle"
  std::string label;   // "label": the row's title in the Settings app
  std::string detail;  // "detail": the class of the bundle's root pane ("" when absent)
  objc::Ref entry;     // the whole "entry" dictionary
};

// Every entry file of the device, by file name; files that are not entries are
// left out.  An error only when the folder cannot be listed (a missing folder is no
// entries).
objc::Result<std::vector<LoaderEntry>> preferenceLoaderEntries();

// The NSBundle at a device path with its executable loaded: CFBundleExecutable of
// its Info.plist, else the folder's name without ".bundle".  Loading the same
// executable again answers the bundle loaded first.  Classes the executable
// registers while it loads belong to the bundle from then on.
objc::Result<id> loadPreferenceBundle(std::string_view devicePath);

// The bundle that brought in cls, or the nearest superclass that a loaded bundle
// brought in; nil when none did.
id bundleForClass(Class cls);

}  // namespace preferences
