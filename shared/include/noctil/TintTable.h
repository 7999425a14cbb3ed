// The tint name table: colour names stored in the options ("darkGray", "hotpink", …)
// and the colours they stand for.  Both tweak libraries use it; they differ only in
// the alpha of the entries other than "disabled".
#pragma once

#include <objcface/Types.h>

#include <optional>
#include <string_view>

namespace noctil {

struct TintComponents {
  bool grey;        // a white level (red holds it) rather than red, green, blue
  double red;       // or the white level
  double green;
  double blue;
  bool transparent;  // "disabled": always alpha 0
};

// The table entry of `name` (exact, case-sensitive match), or nothing.
std::optional<TintComponents> tintComponentsNamed(std::string_view name);

// The colour for a tint name held by the options: a UIColor (autoreleased) built
// with colorWithWhite:alpha: or colorWithRed:green:blue:alpha:, or nil when the name
// is nil, not a string, or not in the table.  Every entry but "disabled" takes
// `alpha`; "disabled" is white 0 with alpha 0.
id tintColorNamed(id name, CGFloat alpha);

}  // namespace noctil
