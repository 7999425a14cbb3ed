// The per-thread stack of autorelease pools shared by objc::AutoreleasePool and the
// NSAutoreleasePool class.
#pragma once

#include <objcface/Types.h>

#include <vector>

namespace objc {

class AutoreleaseStack {
 public:
  // Opens a pool and answers its depth, used to close it again.
  std::size_t push();
  // Releases everything autoreleased since the pool at `depth` opened (and in pools
  // opened after it), then closes those pools.  Releasing may autorelease more
  // objects; they are released too before this returns.
  void popTo(std::size_t depth);
  void add(id object);
  std::size_t pending() const { return objects_.size(); }
  std::size_t depth() const { return marks_.size(); }
  ~AutoreleaseStack();

 private:
  std::vector<id> objects_;
  std::vector<std::size_t> marks_;
};

AutoreleaseStack& autoreleaseStack();

}  // namespace objc
