// The keyed-archive decoder: whatever the bytes, it answers an object graph or an
// error, and never crashes, hangs or grows without bound.  A graph it answers must
// archive again, and that archive must decode to a graph that archives to the same
// bytes (decoding and encoding agree on everything they accept).
#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  objc::AutoreleasePool pool;
  auto root = ns::unarchiveData({data, size});
  if (!root.ok()) return 0;
  auto again = ns::archivedData(root.value());
  if (!again.ok()) std::abort();
  auto reread = ns::unarchiveData(again.value());
  if (!reread.ok()) std::abort();
  auto third = ns::archivedData(reread.value());
  if (!third.ok() || third.value() != again.value()) std::abort();
  return 0;
}
