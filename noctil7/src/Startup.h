// The iOS 7 tweak's start-up, run by the library's load-time initialiser.
#pragma once

namespace noctil7 {
void start();
}
