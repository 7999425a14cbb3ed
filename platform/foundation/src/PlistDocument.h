// Reading and writing whole property lists in memory, whatever their format, with
// the platform's own readers and writers (libplist serves only as a reference for
// checks and benchmarks).
#pragma once

#include "PlistTree.h"

#include <objcface/Result.h>

#include <string>
#include <string_view>

namespace ns::plist {

// Reads XML or binary data, chosen by content.  `format`, when given, receives the
// format found.
objc::Result<Document> readDocument(std::string_view bytes, Format* format = nullptr);

objc::Result<std::string> writeDocument(const Tree& tree, Tree::Node root, Format format);

}  // namespace ns::plist
