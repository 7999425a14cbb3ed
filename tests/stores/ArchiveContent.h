// The content of a keyed-archive file as one canonical text, read with libplist
// rather than the platform's own decoder, so that a test can tell whether two
// archives written by different encoders describe the same object graph.
//
// The text follows the root object through $objects: plain values by kind and value;
// dictionaries, arrays and sets of Foundation by kind only (mutable or not), with a
// dictionary's entries and a set's members in sorted order; objects of any other
// class with their whole class chain and every field in name order.  An object that
// is reached from more than one place is written in full once and then named, so the
// sharing of the graph is part of the content.  $objects order, UID numbers and
// $null placement are not.
#pragma once

#include <filesystem>
#include <string>

namespace store_tests {

// The canonical text, or a text starting with "error:" when the file is not a
// keyed archive.
std::string archiveContent(const std::filesystem::path& file);

}  // namespace store_tests
