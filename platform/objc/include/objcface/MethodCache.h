// A process-wide method cache in front of the runtime's lookup.  GCC's
// objc_msg_lookup is an out-of-line call through the PLT plus a sparse-array walk;
// most sends hit the same few (class, selector) pairs, so a direct-mapped table of
// (class, selector) → IMP answers them with a handful of loads.
//
// Entries are written under a per-entry sequence number (a seqlock), so a reader
// never pairs one entry's class with another's IMP.  Every runtime call that can
// change what a (class, selector) pair runs — method_setImplementation,
// class_addMethod, class_replaceMethod, method_exchangeImplementations,
// objc_disposeClassPair — is wrapped by this library and bumps a global generation
// that makes every entry stale at once.  When the wrappers are not the ones the
// process resolves (checked at load), the cache never stores anything.
#pragma once

#include <objcface/Types.h>

#include <atomic>
#include <cstdint>

namespace objc::detail {

struct alignas(64) MethodCacheEntry {
  std::atomic<std::uint32_t> sequence{0};
  std::atomic<std::uint32_t> generation{0};
  std::atomic<Class> cls{Nil};
  std::atomic<SEL> selector{nullptr};
  std::atomic<IMP> imp{nullptr};
};

inline constexpr std::size_t kMethodCacheSize = 4096;
static_assert((kMethodCacheSize & (kMethodCacheSize - 1)) == 0, "the cache is indexed with a mask");

extern MethodCacheEntry gMethodCache[kMethodCacheSize];
extern std::atomic<std::uint32_t> gMethodCacheGeneration;

// The runtime's lookup, storing the answer in `entry` when it is cacheable.
IMP lookupAndCache(id receiver, SEL sel, MethodCacheEntry& entry);

// GCC's object layout: the class pointer is the first word of every object.
struct ObjectHeader {
  Class isa;
};
static_assert(sizeof(ObjectHeader) == sizeof(void*));

inline IMP cachedLookup(id receiver, SEL sel) {
  Class cls = reinterpret_cast<ObjectHeader*>(receiver)->isa;
  auto key = reinterpret_cast<std::uintptr_t>(cls) ^ (reinterpret_cast<std::uintptr_t>(sel) >> 4);
  MethodCacheEntry& entry = gMethodCache[(key ^ (key >> 12)) & (kMethodCacheSize - 1)];
  std::uint32_t before = entry.sequence.load(std::memory_order_acquire);
  Class cachedClass = entry.cls.load(std::memory_order_relaxed);
  SEL cachedSelector = entry.selector.load(std::memory_order_relaxed);
  IMP imp = entry.imp.load(std::memory_order_relaxed);
  std::uint32_t generation = entry.generation.load(std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  if (cachedClass == cls && cachedSelector == sel &&
      generation == gMethodCacheGeneration.load(std::memory_order_relaxed) &&
      entry.sequence.load(std::memory_order_relaxed) == before && (before & 1U) == 0) [[likely]]
    return imp;
  return lookupAndCache(receiver, sel, entry);
}

}  // namespace objc::detail
