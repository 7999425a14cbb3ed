// Writes a property-list value in the binary format ("bplist00").  Equal scalars
// (strings, numbers, dates, data, UIDs) are stored once and referenced from every
// place they occur; a container referenced twice in the tree is stored once.  Objects
// are numbered top-down from the root, depth first, keys before values, which is the
// order Python's plistlib uses, so the same tree gives the same bytes as plistlib.
// The output is measured first and written once, into a buffer of its exact size.
#pragma once

#include "PlistTree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ns::plist {

std::string writeBinary(const Tree& tree, Tree::Node root);
// The same bytes, in a byte vector (for callers that write them to a file; such a
// caller may hand the vector to ns::detail::recycleBuffer when done with it).
std::vector<std::uint8_t> writeBinaryBytes(const Tree& tree, Tree::Node root);

}  // namespace ns::plist
