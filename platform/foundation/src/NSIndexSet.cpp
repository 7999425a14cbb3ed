// NSIndexSet and NSMutableIndexSet: sorted, disjoint, non-adjacent ranges.
#include <foundation/NSIndexPath.h>

#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <algorithm>
#include <memory>
#include <vector>

struct NSIndexSetIvars : NSObjectIvars {
  // Owned; null for an empty set.  Destroyed in dealloc.
  std::vector<NSRange>* _ranges;
};

namespace ns {
namespace {

using detail::asClass;

constexpr NSUInteger kNotFound = static_cast<NSUInteger>(NSNotFound);

std::vector<NSRange>& rangesOf(id s) {
  auto*& r = reinterpret_cast<NSIndexSetIvars*>(s)->_ranges;
  if (r == nullptr) r = new std::vector<NSRange>();
  return *r;
}

NSUInteger end(const NSRange& r) { return r.location + r.length; }

// Adds [location, location+length), merging with touching or overlapping ranges.
void addRange(std::vector<NSRange>& ranges, NSRange add) {
  if (add.length == 0) return;
  auto first = std::lower_bound(ranges.begin(), ranges.end(), add.location,
                                [](const NSRange& r, NSUInteger at) { return end(r) < at; });
  auto last = first;
  NSUInteger lo = add.location;
  NSUInteger hi = end(add);
  while (last != ranges.end() && last->location <= hi) {
    lo = std::min(lo, last->location);
    hi = std::max(hi, end(*last));
    ++last;
  }
  first = ranges.erase(first, last);
  ranges.insert(first, NSRange{lo, hi - lo});
}

void removeRange(std::vector<NSRange>& ranges, NSRange cut) {
  if (cut.length == 0) return;
  std::vector<NSRange> out;
  for (const NSRange& r : ranges) {
    if (end(r) <= cut.location || r.location >= end(cut)) {
      out.push_back(r);
      continue;
    }
    if (r.location < cut.location) out.push_back({r.location, cut.location - r.location});
    if (end(r) > end(cut)) out.push_back({end(cut), end(r) - end(cut)});
  }
  ranges = std::move(out);
}

bool contains(const std::vector<NSRange>& ranges, NSUInteger index) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), index,
                             [](NSUInteger at, const NSRange& r) { return at < r.location; });
  return it != ranges.begin() && index < end(*(it - 1));
}

id newSet(Class cls, const std::vector<NSRange>& ranges) {
  id s = class_createInstance(cls, 0);
  if (!ranges.empty()) rangesOf(s) = ranges;
  return s;
}

void checkRange(id self, SEL cmd, NSRange range) {
  if (range.location > kNotFound - range.length)
    detail::raise("NSRangeException", self, cmd, "range {%lu, %lu} exceeds the maximum index", range.location,
                  range.length);
}

void setDealloc(id self, SEL cmd) {
  delete reinterpret_cast<NSIndexSetIvars*>(self)->_ranges;
  objc::sendSuper<void>(self, NSIndexSetClass(), cmd);
}

id classIndexSet(id self, SEL) { return objc::autorelease(newSet(asClass(self), {})); }
id classWithIndex(id self, SEL, NSUInteger index) { return objc::autorelease(newSet(asClass(self), {{index, 1}})); }
id classWithRange(id self, SEL cmd, NSRange range) {
  checkRange(self, cmd, range);
  std::vector<NSRange> ranges;
  if (range.length) ranges.push_back(range);
  return objc::autorelease(newSet(asClass(self), ranges));
}
id classWithIndexSet(id self, SEL, id other) {
  return objc::autorelease(newSet(asClass(self), isIndexSet(other) ? rangesOf(other) : std::vector<NSRange>{}));
}
id initWithIndex(id self, SEL, NSUInteger index) {
  rangesOf(self) = {{index, 1}};
  return self;
}
id initWithRange(id self, SEL cmd, NSRange range) {
  checkRange(self, cmd, range);
  addRange(rangesOf(self), range);
  return self;
}

NSUInteger count(id self, SEL) {
  NSUInteger n = 0;
  for (const NSRange& r : rangesOf(self)) n += r.length;
  return n;
}

BOOL containsIndex(id self, SEL, NSUInteger index) { return contains(rangesOf(self), index) ? YES : NO; }

BOOL containsIndexesInRange(id self, SEL, NSRange range) {
  if (range.length == 0) return NO;
  for (const NSRange& r : rangesOf(self))
    if (r.location <= range.location && end(range) <= end(r)) return YES;
  return NO;
}

NSUInteger firstIndex(id self, SEL) {
  auto& r = rangesOf(self);
  return r.empty() ? kNotFound : r.front().location;
}
NSUInteger lastIndex(id self, SEL) {
  auto& r = rangesOf(self);
  return r.empty() ? kNotFound : end(r.back()) - 1;
}

NSUInteger indexGreaterThanIndex(id self, SEL, NSUInteger index) {
  for (const NSRange& r : rangesOf(self)) {
    if (index < r.location) return r.location;
    if (index + 1 < end(r)) return index + 1;
  }
  return kNotFound;
}

NSUInteger indexLessThanIndex(id self, SEL, NSUInteger index) {
  auto& ranges = rangesOf(self);
  for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
    if (index > end(*it)) return end(*it) - 1;
    if (index > it->location) return index - 1;
  }
  return kNotFound;
}

BOOL setIsEqual(id self, SEL, id other) {
  if (other == self) return YES;
  if (!isIndexSet(other)) return NO;
  auto& a = rangesOf(self);
  auto& b = rangesOf(other);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin()) ? YES : NO;
}

NSUInteger setHash(id self, SEL cmd) { return count(self, cmd); }

bool isMutableClass(Class cls) { return detail::inheritsFrom(cls, NSMutableIndexSetClass()); }

id setCopy(id self, SEL, void*) {
  if (!isMutableClass(object_getClass(self))) return objc::retain(self);
  return newSet(NSIndexSetClass(), rangesOf(self));
}
id setMutableCopy(id self, SEL, void*) { return newSet(NSMutableIndexSetClass(), rangesOf(self)); }

id setDescription(id self, SEL) {
  std::string text = objc::defaultDescription(self) + "[number of indexes: " + std::to_string(count(self, nullptr)) +
                     " (in " + std::to_string(rangesOf(self).size()) + " ranges), indexes: (";
  bool first = true;
  for (const NSRange& r : rangesOf(self)) {
    text += first ? "" : " ";
    first = false;
    text += std::to_string(r.location);
    if (r.length > 1) {
      text += '-';
      text += std::to_string(end(r) - 1);
    }
  }
  return objc::autorelease(detail::newString(text + ")]"));
}

// NSMutableIndexSet.
void addIndex(id self, SEL, NSUInteger index) { addRange(rangesOf(self), {index, 1}); }
void removeIndex(id self, SEL, NSUInteger index) { removeRange(rangesOf(self), {index, 1}); }
void addIndexesInRange(id self, SEL cmd, NSRange range) {
  checkRange(self, cmd, range);
  addRange(rangesOf(self), range);
}
void removeIndexesInRange(id self, SEL, NSRange range) { removeRange(rangesOf(self), range); }
void addIndexes(id self, SEL, id other) {
  if (!isIndexSet(other)) return;
  std::vector<NSRange> copy = rangesOf(other);
  for (const NSRange& r : copy) addRange(rangesOf(self), r);
}
void removeAllIndexes(id self, SEL) { rangesOf(self).clear(); }

Class registerNSIndexSet() {
  return objc::ClassBuilder<NSIndexSetIvars>("NSIndexSet", objc::NSObjectClass())
      .ivar<&NSIndexSetIvars::_ranges>("_ranges")
      .classMethod<&classIndexSet>("indexSet")
      .classMethod<&classWithIndex>("indexSetWithIndex:")
      .classMethod<&classWithRange>("indexSetWithIndexesInRange:")
      .classMethod<&classWithIndexSet>("indexSetWithIndexSet:")
      .method<&initWithIndex>("initWithIndex:")
      .method<&initWithRange>("initWithIndexesInRange:")
      .method<&setDealloc>("dealloc")
      .method<&count>("count")
      .method<&containsIndex>("containsIndex:")
      .method<&containsIndexesInRange>("containsIndexesInRange:")
      .method<&firstIndex>("firstIndex")
      .method<&lastIndex>("lastIndex")
      .method<&indexGreaterThanIndex>("indexGreaterThanIndex:")
      .method<&indexLessThanIndex>("indexLessThanIndex:")
      .method<&setIsEqual>("isEqual:")
      .method<&setIsEqual>("isEqualToIndexSet:")
      .method<&setHash>("hash")
      .method<&setCopy>("copyWithZone:")
      .method<&setMutableCopy>("mutableCopyWithZone:")
      .method<&setDescription>("description")
      .registerClass();
}

Class registerNSMutableIndexSet() {
  return objc::ClassBuilder<NSIndexSetIvars>("NSMutableIndexSet", NSIndexSetClass())
      .method<&addIndex>("addIndex:")
      .method<&removeIndex>("removeIndex:")
      .method<&addIndexesInRange>("addIndexesInRange:")
      .method<&removeIndexesInRange>("removeIndexesInRange:")
      .method<&addIndexes>("addIndexes:")
      .method<&removeAllIndexes>("removeAllIndexes")
      .registerClass();
}

}  // namespace

Class NSIndexSetClass() {
  static const Class cls = registerNSIndexSet();
  return cls;
}

Class NSMutableIndexSetClass() {
  static const Class cls = registerNSMutableIndexSet();
  return cls;
}

[[maybe_unused]] static const bool kIndexSetsAtLoad = (NSIndexSetClass(), NSMutableIndexSetClass(), true);

id indexSet(std::initializer_list<NSUInteger> indexes) {
  std::vector<NSRange> ranges;
  for (NSUInteger i : indexes) addRange(ranges, {i, 1});
  return objc::autorelease(newSet(NSIndexSetClass(), ranges));
}

bool isIndexSet(id object) {
  return object != nil && detail::inheritsFrom(object_getClass(object), NSIndexSetClass());
}

std::vector<NSUInteger> indexesOf(id set) {
  std::vector<NSUInteger> out;
  if (!isIndexSet(set)) return out;
  for (const NSRange& r : rangesOf(set))
    for (NSUInteger i = r.location; i < end(r); ++i) out.push_back(i);
  return out;
}

}  // namespace ns
