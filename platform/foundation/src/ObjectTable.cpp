#include "ObjectTable.h"

#include "Description.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <vector>

namespace ns::detail {
namespace {

constexpr std::uint32_t kRemovedSlot = 0xFFFFFFFFu;

// Spreads a hash over the slots: many classes answer small or patterned hashes.
inline std::size_t slotOf(NSUInteger hash, NSUInteger mask) {
  std::uint64_t h = static_cast<std::uint64_t>(hash) * 0x9E3779B97F4A7C15ULL;
  return static_cast<std::size_t>((h ^ (h >> 32)) & mask);
}

// Rebuilds the table for at least `minimum` live entries: entries are compacted in
// order and the index is laid out afresh (dropping every removed mark).
void rebuild(ObjectTable& t, std::size_t minimum) {
  std::size_t slots = std::bit_ceil(std::max<std::size_t>(8, minimum + minimum / 3 + 1));
  std::size_t capacity = slots - slots / 4;
  auto* block = static_cast<unsigned char*>(std::malloc(capacity * sizeof(TableEntry) + slots * sizeof(std::uint32_t)));
  if (block == nullptr) std::abort();
  auto* entries = reinterpret_cast<TableEntry*>(block);
  auto* index = reinterpret_cast<std::uint32_t*>(block + capacity * sizeof(TableEntry));
  std::fill(index, index + slots, 0u);
  std::size_t n = 0;
  for (std::size_t i = 0; i < t.used; ++i) {
    if (t.entries[i].key == nil) continue;
    entries[n] = t.entries[i];
    std::size_t s = slotOf(entries[n].hash, slots - 1);
    while (index[s] != 0) s = (s + 1) & (slots - 1);
    index[s] = static_cast<std::uint32_t>(n + 1);
    ++n;
  }
  std::free(t.entries);
  t.entries = entries;
  t.slots = index;
  t.used = n;
  t.count = n;
  t.capacity = capacity;
  t.slotMask = slots - 1;
}

// Slot of the entry with an equal key, or the slot where a new key would go.
struct Probe {
  std::size_t slot;
  std::size_t entry;  // kNoEntry when absent
};

Probe probe(const ObjectTable& t, id key, NSUInteger hash) {
  std::size_t firstFree = kNoEntry;
  std::size_t s = slotOf(hash, t.slotMask);
  while (true) {
    std::uint32_t mark = t.slots[s];
    if (mark == 0) return {firstFree != kNoEntry ? firstFree : s, kNoEntry};
    if (mark == kRemovedSlot) {
      if (firstFree == kNoEntry) firstFree = s;
    } else {
      const TableEntry& e = t.entries[mark - 1];
      if (e.hash == hash && (e.key == key || objectsEqual(key, e.key))) return {s, mark - 1};
    }
    s = (s + 1) & t.slotMask;
  }
}

void place(ObjectTable& t, std::size_t slot, id key, id value, NSUInteger hash) {
  t.entries[t.used] = {key, value, hash};
  t.slots[slot] = static_cast<std::uint32_t>(t.used + 1);
  ++t.used;
  ++t.count;
}

}  // namespace

std::size_t tableFind(const ObjectTable& t, id key, NSUInteger hash) {
  if (t.count == 0 || key == nil) return kNoEntry;
  return probe(t, key, hash).entry;
}

void tableSet(ObjectTable& t, id key, id value, NSUInteger hash, std::vector<id>* dropped) {
  if (t.count > 0) {
    Probe p = probe(t, key, hash);
    if (p.entry != kNoEntry) {
      TableEntry& e = t.entries[p.entry];
      id oldValue = e.value;
      e.value = value;
      if (dropped != nullptr) {
        dropped->push_back(oldValue);
        dropped->push_back(key);
      } else {
        objc::release(oldValue);
        objc::release(key);
      }
      return;
    }
  }
  tableAppendNew(t, key, value, hash);
}

void tableAppendNew(ObjectTable& t, id key, id value, NSUInteger hash) {
  if (t.used >= t.capacity) rebuild(t, t.count < t.used / 2 ? t.count + 1 : std::max<std::size_t>(t.count * 2, 4));
  // Find a free slot (the key is absent, so the first empty or removed one).
  std::size_t s = slotOf(hash, t.slotMask);
  while (t.slots[s] != 0 && t.slots[s] != kRemovedSlot) s = (s + 1) & t.slotMask;
  place(t, s, key, value, hash);
}

bool tableRemove(ObjectTable& t, id key, NSUInteger hash) {
  if (t.count == 0 || key == nil) return false;
  Probe p = probe(t, key, hash);
  if (p.entry == kNoEntry) return false;
  TableEntry& e = t.entries[p.entry];
  id oldKey = e.key;
  id oldValue = e.value;
  e.key = nil;
  e.value = nil;
  t.slots[p.slot] = kRemovedSlot;
  --t.count;
  objc::release(oldKey);
  objc::release(oldValue);
  return true;
}

void tableClear(ObjectTable& t) {
  std::vector<id> doomed;
  doomed.reserve(t.count * 2);
  for (std::size_t i = 0; i < t.used; ++i) {
    if (t.entries[i].key == nil) continue;
    doomed.push_back(t.entries[i].key);
    if (t.entries[i].value) doomed.push_back(t.entries[i].value);
  }
  if (t.slots) std::fill(t.slots, t.slots + t.slotMask + 1, 0u);
  t.used = 0;
  t.count = 0;
  for (id o : doomed) objc::release(o);
}

void tableDestroy(ObjectTable& t) {
  tableClear(t);
  std::free(t.entries);
  t = ObjectTable{};
}

void tableReserve(ObjectTable& t, std::size_t count) {
  if (count <= t.count) return;
  if (t.entries == nullptr || t.used + (count - t.count) > t.capacity) rebuild(t, count);
}

}  // namespace ns::detail
