// The identity of the main thread, shared by the run loop and thread units.
#pragma once

#include <thread>

namespace ns {

// The main thread: the first thread that asked (the library's load-time initialiser
// asks), or the one that last called markMainThread().
std::thread::id mainThreadId();

}  // namespace ns
