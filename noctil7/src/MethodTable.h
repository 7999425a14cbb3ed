// The iOS 7 tweak's method table: the 22 host methods it replaces or adds in
// SpringBoard, installed in order from the load-time initialiser.
#pragma once

namespace noctil7 {

// Installs the table (once; a second call changes nothing).
void installMethodTable();

// The finishLaunching replacement (exposed for tests).
void finishLaunchingReplacement(id self, SEL cmd);

}  // namespace noctil7
