// The link between a bulletin and the observer that delivered it: a bulletin does not
// retain its observer, so an observer that is invalidated or freed clears itself from
// every bulletin that names it, and `observer` then answers nil.
#pragma once

#include <objcface/Types.h>

namespace bb::detail {

void observerWentAway(id observer);

}  // namespace bb::detail
