// Shared between the forwarding hook and the method cache: whether the last lookup
// on this thread ended in the forwarding hook (an unknown selector).
#pragma once

namespace objc::detail {
inline thread_local bool tLookupForwarded = false;
}
