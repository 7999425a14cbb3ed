// The filter property list that sits next to a tweak library (Name.plist beside
// Name.dylib) and says which programs load it: its dictionary's "Filter" dictionary
// holds "Bundles", an array of bundle identifiers, and may hold
// "CoreFoundationVersion", one or two numbers: the library loads only where the
// CoreFoundation version is at least the first and, when a second is given, below
// it (so one device can carry a library per iOS version).  XML and binary property
// lists are read by content, and so is the old text form
// ({ Filter = { Bundles = ( "…" ); CoreFoundationVersion = ( 793.00, 847.20 ); }; })
// that filter lists are often written in.
#pragma once

#include <objcface/Result.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hosts {

// The CoreFoundation version of each iOS a host plays.
inline constexpr double kCoreFoundationVersionIOS6 = 793.00;
inline constexpr double kCoreFoundationVersionIOS7 = 847.20;

struct FilterList {
  std::vector<std::string> bundles;          // in file order
  std::optional<double> lowestCoreFoundation;  // inclusive
  std::optional<double> belowCoreFoundation;   // exclusive
};

// The whole filter list.  An error as for filterBundles, and also when
// "CoreFoundationVersion" is not an array of one or two numbers (numbers written as
// text count, as in the old text form).
objc::Result<FilterList> readFilterList(std::string_view data);

// Whether the filter's CoreFoundation range admits the version (no range: any).
bool admitsCoreFoundation(const FilterList& filter, double version);

// The bundle identifiers a filter list names, in file order.  An error when the data
// is not a property list, its root is not a dictionary, or "Filter" / "Bundles" is
// missing or of the wrong kind.  Entries of "Bundles" that are not strings are
// ignored.
objc::Result<std::vector<std::string>> filterBundles(std::string_view data);

}  // namespace hosts
