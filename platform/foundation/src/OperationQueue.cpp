// Operation queues: the main one on the main run loop, others on a worker thread.
#include <foundation/OperationQueue.h>

#include <foundation/Block.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace ns {
namespace {

using objc::sel;
using objc::send;

// The serial worker of a queue of one's own.
class Worker : public std::enable_shared_from_this<Worker> {
 public:
  // Queues a block; starts the worker thread if none runs.  `queue` is kept alive
  // until the worker runs dry.
  void add(id queue, objc::Ref block) {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    if (running_) return;
    running_ = true;
    queueObject_ = objc::Ref::retain(queue);
    std::thread([self = shared_from_this()] { self->drain(); }).detach();
  }

  void waitUntilEmpty() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return !running_; });
  }

  NSUInteger count() {
    std::lock_guard lock(mutex_);
    return blocks_.size() + (executing_ ? 1 : 0);
  }

  static id currentQueue();

 private:
  void drain() {
    for (;;) {
      objc::Ref block, queue;
      {
        std::lock_guard lock(mutex_);
        executing_ = false;
        if (blocks_.empty()) {
          running_ = false;
          queue = std::move(queueObject_);  // released below, outside the lock
          idle_.notify_all();
          break;
        }
        block = std::move(blocks_.front());
        blocks_.pop_front();
        executing_ = true;
        queue = queueObject_;
      }
      tCurrentQueue = queue.get();
      {
        objc::AutoreleasePool pool;
        invokeBlock<void()>(block.get());
        block.reset();
      }
      tCurrentQueue = nil;
    }
  }

  static thread_local id tCurrentQueue;
  std::mutex mutex_;
  std::condition_variable idle_;
  std::deque<objc::Ref> blocks_;
  objc::Ref queueObject_;
  bool running_ = false;
  bool executing_ = false;
};

thread_local id Worker::tCurrentQueue = nil;
id Worker::currentQueue() { return tCurrentQueue; }

struct QueueIvars : NSObjectIvars {
  std::shared_ptr<Worker> _worker;  // null for the main queue
  NSInteger _maxConcurrentOperationCount;
  id _name;  // retained
};

QueueIvars* raw(id self) { return objc::ivars<QueueIvars>(self); }

id mainQueueObject();

id queueInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, NSOperationQueueClass(), cmd);
  if (self == nil) return nil;
  raw(self)->_worker = std::make_shared<Worker>();
  raw(self)->_maxConcurrentOperationCount = -1;  // NSOperationQueueDefaultMaxConcurrentOperationCount
  return self;
}

void queueDealloc(id self, SEL cmd) {
  objc::release(raw(self)->_name);
  std::destroy_at(&raw(self)->_worker);
  objc::sendSuper<void>(self, NSOperationQueueClass(), cmd);
}

void queueAddOperationWithBlock(id self, SEL, id block) {
  if (block == nil) return;
  objc::Ref held = objc::Ref::adopt(send<id>(block, sel<"copy">()));
  if (auto worker = raw(self)->_worker) {
    worker->add(self, std::move(held));
    return;
  }
  RunLoop::main().perform([held] { invokeBlock<void()>(held.get()); }, commonModes());
}

NSUInteger queueOperationCount(id self, SEL) {
  auto worker = raw(self)->_worker;
  return worker ? worker->count() : 0;
}

void queueWaitUntilAllFinished(id self, SEL) {
  if (auto worker = raw(self)->_worker) worker->waitUntilEmpty();
}

id queueName(id self, SEL) { return raw(self)->_name; }
void queueSetName(id self, SEL, id name) {
  id copy = send<id>(name, sel<"copy">());
  objc::release(raw(self)->_name);
  raw(self)->_name = copy;
}

NSInteger queueMaxConcurrent(id self, SEL) { return raw(self)->_worker ? raw(self)->_maxConcurrentOperationCount : 1; }
void queueSetMaxConcurrent(id self, SEL, NSInteger count) {
  if (raw(self)->_worker) raw(self)->_maxConcurrentOperationCount = count;
}

id clsMainQueue(id, SEL) { return mainQueueObject(); }
id clsCurrentQueue(id, SEL) { return isMainThread() ? mainQueueObject() : Worker::currentQueue(); }

Class registerQueueClass() {
  return objc::ClassBuilder<QueueIvars>("NSOperationQueue", objc::NSObjectClass())
      .ivar<&QueueIvars::_worker>("_worker")
      .ivar<&QueueIvars::_maxConcurrentOperationCount>("_maxConcurrentOperationCount")
      .ivar<&QueueIvars::_name>("_name")
      .method<&queueInit>("init")
      .method<&queueDealloc>("dealloc")
      .method<&queueAddOperationWithBlock>("addOperationWithBlock:")
      .method<&queueOperationCount>("operationCount")
      .method<&queueWaitUntilAllFinished>("waitUntilAllOperationsAreFinished")
      .method<&queueName>("name")
      .method<&queueSetName>("setName:")
      .method<&queueMaxConcurrent>("maxConcurrentOperationCount")
      .method<&queueSetMaxConcurrent>("setMaxConcurrentOperationCount:")
      .classMethod<&clsMainQueue>("mainQueue")
      .classMethod<&clsCurrentQueue>("currentQueue")
      .registerClass();
}

id mainQueueObject() {
  // Made without -init, which gives a queue its own worker; never released.
  static id queue = send<id>(NSOperationQueueClass(), sel<"alloc">());
  return queue;
}

[[maybe_unused]] const id kMainQueueAtLoad = mainQueueObject();

}  // namespace

Class NSOperationQueueClass() {
  static const Class cls = registerQueueClass();
  return cls;
}

void addOperationWithBlock(id queue, std::function<void()> work) {
  objc::Ref block = makeBlock<void()>(std::move(work));
  send<void>(queue, sel<"addOperationWithBlock:">(), block.get());
}

}  // namespace ns
