// Large scratch buffers kept by each thread for its next large job.  Reading and
// writing a big property list or keyed archive needs tens of megabytes of tables for
// a moment; the allocator hands such blocks back to the system when they are freed,
// so the next edit of the same archive (clearing a list of notifications edits it
// once per notification) would map, fault in and zero all of it again.  Buffers
// given back here are kept instead, up to a bound, and handed to the next job of the
// same thread, already mapped.
//
// Only buffers of at least kMinKeptBytes are kept, at most kMaxKeptPerType of each
// element type and kMaxKeptBytes in all per thread; the rest are freed as usual.
// Everything kept is freed when the thread ends.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace ns::detail {

inline constexpr std::size_t kMinKeptBytes = 256 * 1024;
inline constexpr std::size_t kMaxKeptBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kMaxKeptPerType = 6;

// Bytes kept by this thread, over every element type.
inline std::size_t& keptBytes() {
  thread_local std::size_t bytes = 0;
  return bytes;
}

// The buffers kept for one element type.  Held through trivially destructible
// thread-locals, so that a buffer given back while the thread ends (by an object
// freed late) finds the store gone and is simply freed; a guard frees the store.
template <class T>
struct KeptStore {
  static std::vector<std::vector<T>>*& buffers() {
    thread_local std::vector<std::vector<T>>* store = nullptr;
    return store;
  }
  static bool& ended() {
    thread_local bool value = false;
    return value;
  }
  struct Guard {
    ~Guard() {
      delete buffers();
      buffers() = nullptr;
      ended() = true;
    }
  };
  // The store, made on first use; null once the thread is ending.
  static std::vector<std::vector<T>>* get() {
    if (buffers() == nullptr && !ended()) {
      thread_local Guard guard;
      (void)guard;
      buffers() = new std::vector<std::vector<T>>();
    }
    return buffers();
  }
};

// Puts in `buffer` (whose own elements are dropped) room for at least `capacity`
// elements: its own memory when large enough, else the smallest kept buffer that is,
// else a fresh allocation.  A kept buffer comes with the elements of its last job.
template <class T>
void takeKeptBuffer(std::vector<T>& buffer, std::size_t capacity) {
  if (buffer.capacity() >= capacity) return;
  auto* store = KeptStore<T>::get();
  if (store == nullptr) {
    buffer.clear();
    buffer.reserve(capacity);
    return;
  }
  auto& kept = *store;
  auto best = kept.end();
  for (auto it = kept.begin(); it != kept.end(); ++it)
    if (it->capacity() >= capacity && (best == kept.end() || it->capacity() < best->capacity())) best = it;
  if (best != kept.end()) {
    keptBytes() -= best->capacity() * sizeof(T);
    std::swap(buffer, *best);
    kept.erase(best);
    return;
  }
  buffer.clear();
  buffer.reserve(capacity);
}

// Leaves `buffer` empty, with room for at least `capacity` elements: the smallest
// kept buffer that is large enough when there is one, else a fresh allocation.
template <class T>
void reuseBuffer(std::vector<T>& buffer, std::size_t capacity) {
  takeKeptBuffer(buffer, capacity);
  buffer.clear();
}

// Leaves `buffer` holding `size` elements whose values are whatever an earlier job
// left, for a caller that overwrites every one of them: a large output is then not
// zeroed first, a pass over memory that costs the most when the buffer is larger
// than the cache.  Only the elements beyond what an earlier job used are zeroed.
template <class T>
void reuseBufferForOverwrite(std::vector<T>& buffer, std::size_t size) {
  static_assert(std::is_trivially_copyable_v<T>, "only plain values may be left as they are");
  takeKeptBuffer(buffer, size);
  buffer.resize(size);
}

// Takes `buffer`'s memory for a later job (elements that need destroying are
// destroyed), or frees it when it is small or the bounds are reached.  `buffer` is
// left without memory.
template <class T>
void recycleBuffer(std::vector<T>& buffer) {
  // Plain values are left in place: reuseBufferForOverwrite hands them on.
  if constexpr (!std::is_trivially_destructible_v<T>) buffer.clear();
  const std::size_t bytes = buffer.capacity() * sizeof(T);
  auto* store = bytes >= kMinKeptBytes ? KeptStore<T>::get() : nullptr;
  if (store == nullptr || keptBytes() + bytes > kMaxKeptBytes) {
    std::vector<T>().swap(buffer);
    return;
  }
  auto& kept = *store;
  if (kept.size() >= kMaxKeptPerType) {
    // Keep the larger ones: drop the smallest kept buffer for this one if it is bigger.
    auto smallest = std::min_element(kept.begin(), kept.end(),
                                     [](const auto& a, const auto& b) { return a.capacity() < b.capacity(); });
    if (smallest->capacity() >= buffer.capacity()) {
      std::vector<T>().swap(buffer);
      return;
    }
    keptBytes() -= smallest->capacity() * sizeof(T);
    kept.erase(smallest);
  }
  keptBytes() += bytes;
  kept.push_back(std::move(buffer));
  buffer = std::vector<T>();
}

}  // namespace ns::detail
