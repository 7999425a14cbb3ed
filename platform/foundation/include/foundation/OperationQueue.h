// NSOperationQueue: the main queue, served by the main run loop, and queues of one's
// own (alloc/init), served by a background thread.
//
//   +mainQueue, +currentQueue, -addOperationWithBlock:, -operationCount,
//   -waitUntilAllOperationsAreFinished, -name, -setName:,
//   -maxConcurrentOperationCount, -setMaxConcurrentOperationCount:.
//
// addOperationWithBlock: takes a block object of signature void() (see Block.h),
// may be called from any thread and retains the block until it has run.  On the
// main queue the block runs on the main thread in the main run loop's common modes,
// after the work already due there.  A queue of one's own runs its blocks one at a
// time, in the order added, on a thread started when work arrives and ended when
// the queue is empty; each block runs inside an autorelease pool, and the queue
// object is kept alive while it has work.  The concurrency limit is recorded but
// such a queue is always serial.  waitUntilAllOperationsAreFinished blocks until
// a queue of one's own is empty; on the main queue it does nothing (on iOS it would
// deadlock the main thread).
#pragma once

#include <objcface/NSObject.h>

#include <functional>

namespace ns {

Class NSOperationQueueClass();

// The C++ overload: wraps the callable in a block and sends addOperationWithBlock:
// to the queue (a message send, so a replaced implementation sees it).
void addOperationWithBlock(id queue, std::function<void()> work);

}  // namespace ns
