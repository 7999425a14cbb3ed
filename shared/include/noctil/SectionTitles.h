// The title of a folded section's header: the app's name followed by the number of
// notifications the section holds, "Messages (3)".  Both tweak libraries build it
// the same way, so that a header built again while its label still shows a count
// never repeats it, and an app's name of several words is kept whole.
#pragma once

#include <objcface/Types.h>

namespace noctil {

// The title without the counts a fold put after it: every trailing " (<digits>)" is
// taken off, so "Messages (3)" gives "Messages".  Anything else in brackets is part of
// the app's name and stays: "App Store" and "Notes (Work)" are kept whole.  nil or a
// non-string gives "".
id titleWithoutCount(id title);

// titleWithoutCount(title) followed by " (count)".
id titleWithCount(id title, NSInteger count);

}  // namespace noctil
