// Small RAII face over libplist's C API: the reference the platform's own readers and
// writers are checked and measured against (libplist's binary reader unfolds shared
// references without limit and its XML reader cannot read integers past 2^63, so the
// platform reads with its own; see BinaryPlistReader.h, PlistXmlReader.h).  Facts
// about libplist 2.2 this unit absorbs: a parse that fails leaves NULL and says
// nothing else; integers are unsigned nodes, a negative number being its two's
// complement; a node that already has a parent must be copied before it is attached;
// indexed array access walks the list, so arrays are walked with iterators, once.
#pragma once

#include "PlistTree.h"

#include <objcface/Result.h>

#include <plist/plist.h>

#include <memory>
#include <string>
#include <string_view>

namespace ns::plist {

struct PlistFree {
  void operator()(plist_t node) const noexcept { plist_free(node); }
};
// Owns a libplist root node (and with it the whole tree below it).
using PlistNode = std::unique_ptr<void, PlistFree>;

// Parses XML property-list data.
objc::Result<PlistNode> parseXml(std::string_view bytes);

// Parses XML or binary data with libplist's own readers.  Only for comparisons: its
// binary reader unfolds shared references without limit, so the platform reads the
// binary format with its own reader.
objc::Result<PlistNode> parseWithLibplist(std::string_view bytes);

// The value of an integer node read as signed, so negative numbers come back negative.
std::int64_t signedValue(plist_t integerNode);

// Copies a libplist tree into a Tree.  Refuses nesting deeper than kMaxNesting.
objc::Result<Document> documentFromNode(plist_t root);

// Builds a new libplist tree holding the value of `node`.  A container shared in the
// Tree is copied at each place it occurs, so this refuses values that would unfold to
// more than `maxNodes` libplist nodes.
objc::Result<PlistNode> nodeFromTree(const Tree& tree, Tree::Node node, std::size_t maxNodes = 1u << 24);

// libplist's own binary and XML writers (for comparisons; the platform writes with its own).
std::string libplistBinary(plist_t node);
std::string libplistXml(plist_t node);

}  // namespace ns::plist
