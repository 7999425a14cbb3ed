// The iOS 6 tweak's method table: the 43 SpringBoard methods it replaces, installed
// in order from the load-time initialiser.
#pragma once

#include <noctil/MethodHooks.h>

#include <span>

namespace noctil6 {

// The table, in its order (tests read it).
std::span<const hook::Entry> methodTable();

// Installs the table (once; a second call changes nothing).
void installMethodTable();

}  // namespace noctil6
