// Writes a property-list value as XML in the layout Foundation uses: the XML
// declaration and DOCTYPE, a <plist version="1.0"> root, one element per line,
// indented with tabs.  Dates are written to the second in UTC ("2001-01-01T00:00:00Z"),
// data as base64, reals in the shortest form that reads back to the same double, and
// a UID as Foundation writes it in XML: a dictionary {CF$UID = n}.
#pragma once

#include "PlistTree.h"

#include <objcface/Result.h>

#include <string>

namespace ns::plist {

// XML has no shared references, so a container shared in the tree is written out at
// each place it occurs; a tree whose sharing would unfold far beyond its own size
// (a handful of nested shared arrays can stand for billions of values) is refused.
objc::Result<std::string> writeXml(const Tree& tree, Tree::Node root);

// "YYYY-MM-DDTHH:MM:SSZ" for a time in seconds since the reference date (seconds are
// truncated toward the past, as Foundation does).
std::string isoDate(double secondsSinceReferenceDate);

}  // namespace ns::plist
