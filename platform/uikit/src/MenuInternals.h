// The hook by which the responder machinery tells the menu that the first responder
// changed (the menu then hides, as on iOS).
#pragma once

namespace uikit::detail {

void firstResponderDidChange();

}  // namespace uikit::detail
