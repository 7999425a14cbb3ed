// NSOperationQueue's main queue: +mainQueue, +currentQueue, -addOperationWithBlock:.
//
// addOperationWithBlock: takes a block object (see Block.h), may be called from any
// thread, retains the block, and runs it on the main thread in the main run loop's
// common modes, after the work already due there.  Other queues (alloc/init) are
// not modelled: they answer nil from init.
#pragma once

#include <objcface/NSObject.h>

#include <functional>

namespace ns {

Class NSOperationQueueClass();

// The C++ overload: wraps the callable in a block and sends addOperationWithBlock:
// to the queue (a message send, so a replaced implementation sees it).
void addOperationWithBlock(id queue, std::function<void()> work);

}  // namespace ns
