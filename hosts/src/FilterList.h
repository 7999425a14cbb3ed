// The filter property list that sits next to a tweak library (Name.plist beside
// Name.dylib) and says which programs load it: its dictionary's "Filter" dictionary
// holds "Bundles", an array of bundle identifiers.  XML and binary property lists are
// read by content, and so is the old text form ({ Filter = { Bundles = ( "…" ); }; })
// that filter lists are often written in.
#pragma once

#include <objcface/Result.h>

#include <string>
#include <string_view>
#include <vector>

namespace hosts {

// The bundle identifiers a filter list names, in file order.  An error when the data
// is not a property list, its root is not a dictionary, or "Filter" / "Bundles" is
// missing or of the wrong kind.  Entries of "Bundles" that are not strings are
// ignored.
objc::Result<std::vector<std::string>> filterBundles(std::string_view data);

}  // namespace hosts
