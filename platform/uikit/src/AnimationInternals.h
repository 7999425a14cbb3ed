// The hooks by which view setters tell the animation machinery what changed.  A
// change made while an animation block is open (and animations are enabled) is
// recorded in that block's log entry; outside one, nothing is recorded.
#pragma once

#include <objcface/Types.h>

#include <string>

namespace uikit::detail {

// Whether an animation block is open, so that a change made now is recorded.
bool animating();

// Records that property of view changes from `from` to `to` (texts as the log keeps
// them).  Does nothing unless animating().
void noteAnimatedChange(id view, const char* property, const std::string& from, const std::string& to);

}  // namespace uikit::detail
