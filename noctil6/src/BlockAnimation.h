// UIView's block animation, as the swipe and the top shelf use it: the changes made
// inside the block animate over the duration with UIKit's default curve.
#pragma once

#include <functional>

namespace noctil6 {

// [UIView animateWithDuration:seconds animations:^{ changes(); }].  The block owns
// the callable (and what it captured) until UIKit lets the block go.
void animateWithDuration(double seconds, std::function<void()> changes);

}  // namespace noctil6
