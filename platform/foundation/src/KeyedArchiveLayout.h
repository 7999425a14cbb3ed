// What the keyed-archive writer and reader share: the fixed names of the layout and
// the reading of UIDs.
#pragma once

#include "PlistTree.h"

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <cstdint>
#include <optional>

namespace ns::archive {

inline constexpr const char* kArchiverName = "NSKeyedArchiver";
inline constexpr std::int64_t kArchiveVersion = 100000;

// The UID a value stands for: a UID node, or (in XML archives) a dictionary whose only
// entry is CF$UID with a non-negative integer.
std::optional<std::uint64_t> uidOf(const plist::Tree& tree, plist::Tree::Node node);

// The root object of an archive already read into a document, which the archive's
// unmodelled objects go on sharing.
objc::Result<objc::Ref> decodeArchive(plist::Document document);

}  // namespace ns::archive
