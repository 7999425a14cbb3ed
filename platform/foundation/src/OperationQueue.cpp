// The main operation queue, served by the main run loop.
#include <foundation/OperationQueue.h>

#include <foundation/Block.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

namespace ns {
namespace {

id mainQueueObject();

id queueInit(id self, SEL) {
  // Only the main queue exists; a queue of one's own is refused.
  objc::release(self);
  return nil;
}

void queueAddOperationWithBlock(id self, SEL, id block) {
  if (self != mainQueueObject() || block == nil) return;
  objc::Ref held = objc::Ref::adopt(objc::send<id>(block, objc::sel<"copy">()));
  RunLoop::main().perform([held] { invokeBlock<void()>(held.get()); }, commonModes());
}

id queueName(id, SEL) { return nil; }

id clsMainQueue(id, SEL) { return mainQueueObject(); }
id clsCurrentQueue(id, SEL) { return isMainThread() ? mainQueueObject() : nil; }

Class registerQueueClass() {
  return objc::ClassBuilder<NSObjectIvars>("NSOperationQueue", objc::NSObjectClass())
      .method<&queueInit>("init")
      .method<&queueAddOperationWithBlock>("addOperationWithBlock:")
      .method<&queueName>("name")
      .classMethod<&clsMainQueue>("mainQueue")
      .classMethod<&clsCurrentQueue>("currentQueue")
      .registerClass();
}

id mainQueueObject() {
  // Made without -init, which refuses every queue but this one.
  static id queue = objc::send<id>(NSOperationQueueClass(), objc::sel<"alloc">());
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
  objc::send<void>(queue, objc::sel<"addOperationWithBlock:">(), block.get());
}

}  // namespace ns
