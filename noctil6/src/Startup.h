// The iOS 6 tweak's start-up, run by the library's load-time initialiser.
#pragma once

namespace noctil6 {
void start();
}
