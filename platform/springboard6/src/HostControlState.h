// Private to the host-control files of the core group: whether the home screen is
// launched, and the objects every action starts from.
#pragma once

#include <objcface/Result.h>
#include <objcface/Types.h>

namespace sb6::detail {

bool launchedNow();
objc::Status notLaunched();
id awayController();
id application();

}  // namespace sb6::detail

namespace sb6::detail {

// Takes away (cancels) the fingers that drags left down.
void releaseHeldHands();

}  // namespace sb6::detail
