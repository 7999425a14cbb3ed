// Message sends against C++ virtual calls, a replaced method that calls its previous
// implementation against an unreplaced send, and an inherited method replaced on a
// subclass (its previous implementation a superclass forwarder, which looks the
// superclass's implementation up on every call) against the same inherited method
// unreplaced, against a replaced method of the class's own, and against the
// forwarder's lookup alone.  Ratios are printed at the end.
#include "RatioReporter.h"

#include <noctil/MethodHooks.h>
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

// ---- an inherited method behind a superclass forwarder ----

// A base class defining increment, and two subclasses that only inherit it; the
// second has it replaced through a hook table, as a tweak replaces an inherited host
// method: its slot then holds the superclass forwarder.
hook::Slot<long()> gInheritedIncrement;
long hookedIncrement(id self, SEL cmd) { return gInheritedIncrement(self, cmd); }

struct InheritedClasses {
  Class base, plain, hooked;
};
const InheritedClasses& inheritedClasses() {
  static const InheritedClasses classes = [] {
    InheritedClasses c;
    c.base = counterClass("BenchForwardBase");
    c.plain = objc::ClassBuilder<CounterIvars>("BenchInheritsOnly", c.base).registerClass();
    c.hooked = objc::ClassBuilder<CounterIvars>("BenchHookedInherited", c.base).registerClass();
    static const hook::Entry table[] = {
        hook::replace<&hookedIncrement, gInheritedIncrement>("BenchHookedInherited", "increment"),
    };
    hook::install(table);
    return c;
  }();
  return classes;
}

void BM_InheritedSend(benchmark::State& state) {
  objc::Ref counter = objc::Ref::adopt(objc::allocInit(inheritedClasses().plain));
  id receiver = counter;
  benchmark::DoNotOptimize(receiver);
  for (auto _ : state) benchmark::DoNotOptimize(objc::send<long>(receiver, objc::sel<"increment">()));
}
BENCHMARK(BM_InheritedSend);

void BM_ReplacedInheritedThroughForwarder(benchmark::State& state) {
  objc::Ref counter = objc::Ref::adopt(objc::allocInit(inheritedClasses().hooked));
  id receiver = counter;
  benchmark::DoNotOptimize(receiver);
  for (auto _ : state) benchmark::DoNotOptimize(objc::send<long>(receiver, objc::sel<"increment">()));
  if (objc::ivars<CounterIvars>(receiver)->_count != static_cast<long>(state.iterations()))
    state.SkipWithError("the forwarder did not reach the superclass's method");
}
BENCHMARK(BM_ReplacedInheritedThroughForwarder);

// What the forwarder adds over a slot holding the implementation itself: the
// runtime's lookup of the superclass's implementation.
void BM_SuperclassLookup(benchmark::State& state) {
  Class base = inheritedClasses().base;
  SEL increment = objc::sel<"increment">();
  benchmark::DoNotOptimize(base);
  for (auto _ : state) benchmark::DoNotOptimize(class_getMethodImplementation(base, increment));
}
BENCHMARK(BM_SuperclassLookup);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.heading("Ratios (time of the first over the second):");
  reporter.ratio("message send / C++ virtual call", "BM_MessageSend", "BM_VirtualCall");
  reporter.ratio("replaced own method calling its previous / plain send", "BM_ReplacedMethodCallingPrevious",
                 "BM_MessageSend");
  reporter.ratio("inherited method through the forwarder / inherited plain send",
                 "BM_ReplacedInheritedThroughForwarder", "BM_InheritedSend");
  reporter.ratio("inherited method through the forwarder / replaced own method", "BM_ReplacedInheritedThroughForwarder",
                 "BM_ReplacedMethodCallingPrevious");
  const double forwarded = reporter.nanoseconds("BM_ReplacedInheritedThroughForwarder"),
               own = reporter.nanoseconds("BM_ReplacedMethodCallingPrevious"),
               lookup = reporter.nanoseconds("BM_SuperclassLookup");
  if (forwarded > 0 && own > 0 && lookup > 0)
    std::printf("  %-62s %6.1f ns, of which the superclass lookup %.1f ns\n",
                "forwarder's cost over a replaced own method", forwarded - own, lookup);
  benchmark::Shutdown();
  return 0;
}
