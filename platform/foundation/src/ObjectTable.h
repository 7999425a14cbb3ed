// The hash table behind NSDictionary and NSSet.  Entries are kept in insertion
// order in one array; an open-addressing index of 32-bit entry numbers sits in the
// same allocation.  Each entry caches its key's hash, so a lookup sends isEqual:
// only to keys whose hash matches.  The struct is plain data, valid when all zero,
// so it can live directly in an object's ivars.
#pragma once

#include <foundation/NSDictionary.h>

#include <cstdint>
#include <vector>

namespace ns::detail {

struct ObjectTable {
  TableEntry* entries;     // insertion order; removed entries have key nil
  std::uint32_t* slots;    // 0 empty, kRemovedSlot removed, else entry index + 1
  NSUInteger used;         // entries handed out, including removed ones
  NSUInteger count;        // live entries
  NSUInteger capacity;     // entries that fit before the table is rebuilt
  NSUInteger slotMask;     // number of slots - 1, or 0 with no slots
};

inline constexpr std::size_t kNoEntry = ~std::size_t{0};

// Index of the live entry whose key equals `key` (hash given), or kNoEntry.
std::size_t tableFind(const ObjectTable& table, id key, NSUInteger hash);

// Stores a key and value, taking over one reference to each.  When an equal key is
// present its value is replaced and the stored key kept: the old value and the new key
// are released, or, when `dropped` is given, appended to it still owned (for a caller
// that may still point at them).  `value` may be nil (sets).
void tableSet(ObjectTable& table, id key, id value, NSUInteger hash, std::vector<id>* dropped = nullptr);

// Appends a key known to be absent (taking over its references).
void tableAppendNew(ObjectTable& table, id key, id value, NSUInteger hash);

// Removes the entry with an equal key, releasing key and value; false when absent.
bool tableRemove(ObjectTable& table, id key, NSUInteger hash);

// Releases every key and value and leaves the table empty (storage kept).
void tableClear(ObjectTable& table);

// Releases everything and frees the storage.
void tableDestroy(ObjectTable& table);

// Makes room for `count` live entries without further rebuilding.
void tableReserve(ObjectTable& table, std::size_t count);

inline EntryRange tableEntries(const ObjectTable& table) {
  return {table.entries, table.entries + table.used};
}

}  // namespace ns::detail
