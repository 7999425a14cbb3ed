// Message sends against C++ virtual calls, and a replaced method that calls its
// previous implementation against an unreplaced send.
#include <objcface/NSObject.h>

#include <benchmark/benchmark.h>

namespace {

struct CounterIvars : NSObjectIvars {
  long _count;
};

long increment(id self, SEL) { return ++objc::ivars<CounterIvars>(self)->_count; }

// The replacement shape the tweak libraries use: a typed slot holding the previous
// implementation, called from the new one.
IMP gPreviousIncrement = nullptr;
long replacedIncrement(id self, SEL cmd) { return objc::callImp<long>(gPreviousIncrement, self, cmd); }

Class counterClass(const char* name) {
  return objc::ClassBuilder<CounterIvars>(name, objc::NSObjectClass())
      .ivar<&CounterIvars::_count>("_count")
      .method<&increment>("increment")
      .registerClass();
}

struct VirtualCounter {
  virtual ~VirtualCounter() = default;
  virtual long increment() = 0;
};
struct ConcreteCounter : VirtualCounter {
  long count = 0;
  // Out of line, as a method body is for a send: the comparison is call against call.
  [[gnu::noinline]] long increment() override { return ++count; }
};

// Made out of line so the compiler cannot see the dynamic type and devirtualise.
[[gnu::noinline]] VirtualCounter* makeVirtualCounter() { return new ConcreteCounter; }

void BM_VirtualCall(benchmark::State& state) {
  VirtualCounter* counter = makeVirtualCounter();
  benchmark::DoNotOptimize(counter);
  for (auto _ : state) benchmark::DoNotOptimize(counter->increment());
  delete counter;
}
BENCHMARK(BM_VirtualCall);

void BM_MessageSend(benchmark::State& state) {
  static Class cls = counterClass("BenchCounter");
  objc::Ref counter = objc::Ref::adopt(objc::allocInit(cls));
  id receiver = counter;
  benchmark::DoNotOptimize(receiver);
  for (auto _ : state) benchmark::DoNotOptimize(objc::send<long>(receiver, objc::sel<"increment">()));
  state.SetLabel(objc::detail::methodCacheEnabled() ? "method cache on" : "method cache off");
}
BENCHMARK(BM_MessageSend);

// The runtime's own lookup and call, without the method cache.
void BM_RuntimeLookupSend(benchmark::State& state) {
  static Class cls = counterClass("BenchLookupCounter");
  objc::Ref counter = objc::Ref::adopt(objc::allocInit(cls));
  id receiver = counter;
  SEL increment = objc::sel<"increment">();
  benchmark::DoNotOptimize(receiver);
  for (auto _ : state) {
    IMP imp = objc_msg_lookup(receiver, increment);
    benchmark::DoNotOptimize(objc::callImp<long>(imp, receiver, increment));
  }
}
BENCHMARK(BM_RuntimeLookupSend);

void BM_ReplacedMethodCallingPrevious(benchmark::State& state) {
  static Class cls = [] {
    Class c = counterClass("BenchReplacedCounter");
    Method m = class_getInstanceMethod(c, objc::sel<"increment">());
    gPreviousIncrement = method_setImplementation(m, objc::toImp(&replacedIncrement));
    return c;
  }();
  objc::Ref counter = objc::Ref::adopt(objc::allocInit(cls));
  id receiver = counter;
  benchmark::DoNotOptimize(receiver);
  for (auto _ : state) benchmark::DoNotOptimize(objc::send<long>(receiver, objc::sel<"increment">()));
}
BENCHMARK(BM_ReplacedMethodCallingPrevious);

}  // namespace

BENCHMARK_MAIN();
