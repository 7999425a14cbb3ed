// NSDictionary and NSMutableDictionary: keyed collections with iOS's semantics
// (keys are copied, keys and values retained, equality and hashing through
// isEqual:/hash sends), kept in insertion order so iteration is deterministic.
// Lookups go through a hash index with cached key hashes.
#pragma once

#include <objcface/NSObject.h>

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace ns {

Class NSDictionaryClass();
Class NSMutableDictionaryClass();

// One stored entry.  Removed entries stay behind as holes (key nil) until the table
// is compacted; the ranges below skip them.
struct TableEntry {
  id key;
  id value;
  NSUInteger hash;
};

// The live entries of a dictionary or set in insertion order, without copying:
// `for (auto [key, value] : ns::entries(dict))`.  Valid while the collection lives
// and is not mutated.
class EntryRange {
 public:
  class iterator {
   public:
    iterator(const TableEntry* at, const TableEntry* end) : at_(at), end_(end) { skip(); }
    std::pair<id, id> operator*() const { return {at_->key, at_->value}; }
    iterator& operator++() {
      ++at_;
      skip();
      return *this;
    }
    bool operator==(const iterator& other) const { return at_ == other.at_; }

   private:
    void skip() {
      while (at_ != end_ && at_->key == nil) ++at_;
    }
    const TableEntry* at_;
    const TableEntry* end_;
  };
  EntryRange() = default;
  EntryRange(const TableEntry* begin, const TableEntry* end) : begin_(begin), end_(end) {}
  iterator begin() const { return {begin_, end_}; }
  iterator end() const { return {end_, end_}; }

 private:
  const TableEntry* begin_ = nullptr;
  const TableEntry* end_ = nullptr;
};

// An autoreleased NSDictionary of {key, value} pairs (neither may be nil; keys are
// copied; a later duplicate key replaces the earlier value).
id dictionary(std::initializer_list<std::pair<id, id>> entries);
id dictionaryWithObjects(const id* values, const id* keys, std::size_t count);
// An autoreleased NSMutableDictionary.
id mutableDictionary(std::initializer_list<std::pair<id, id>> entries = {});

// Entries of an NSDictionary (keys with values) or members of an NSSet (keys, with
// nil values); empty for anything else.
EntryRange entries(id dictionaryOrSet);

bool isDictionary(id object);

}  // namespace ns
