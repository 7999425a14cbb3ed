// String tables (Localizable.strings and friends), read by content: the old-style text
// format ("key" = "value"; with // and /* */ comments and backslash escapes) in UTF-8
// or in UTF-16 with a byte-order mark, or a property list (binary or XML) whose root
// is a dictionary of strings.
#pragma once

#include <objcface/Result.h>

#include <string>
#include <string_view>
#include <unordered_map>

namespace ns::strings {

using Table = std::unordered_map<std::string, std::string>;

// The entries of a table file.  A later entry with the same key replaces an earlier
// one; in a property list, values that are not strings are skipped.  Malformed data
// is an error (the caller then treats the table as empty).
objc::Result<Table> parseTable(std::string_view bytes);

// The text of a table file as UTF-8: a byte-order mark selects UTF-16 (either order)
// or is dropped (UTF-8); UTF-16 without a mark is recognised by its zero bytes.
std::string tableText(std::string_view bytes);

}  // namespace ns::strings
