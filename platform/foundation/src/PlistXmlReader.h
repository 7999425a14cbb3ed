// Reads the XML property-list format into a Tree.  Our own reader rather than
// libplist's: it is several times faster on small files such as options files, it
// reads integers from 2^63 to 2^64-1 as such (libplist 2.2 cannot tell them from
// negative numbers), and it is written for hostile input (nesting is limited to
// kMaxNesting, every entity and base64 run is checked).  The <plist> wrapper, the XML
// declaration, a DOCTYPE and comments are optional; a UID is not an XML element, so a
// {CF$UID = n} dictionary stays a dictionary, as in libplist.
#pragma once

#include "PlistTree.h"

#include <objcface/Result.h>

#include <string_view>

namespace ns::plist {

objc::Result<Document> readXml(std::string_view bytes);

}  // namespace ns::plist
