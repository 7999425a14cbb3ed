// Property-list reading by content (binary by our own reader, XML through libplist)
// and string tables: whatever the bytes, the readers answer a value or an error and
// never crash, hang or grow without bound.  A value that reads must write again in
// the binary format, and what that reads back as must write the very same bytes.
#include "StringsTable.h"

#include <foundation/Foundation.h>
#include <foundation/Plist.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  objc::AutoreleasePool pool;
  (void)ns::strings::parseTable(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)ns::propertyListFromData({data, size}, NSPropertyListMutableContainersAndLeaves);
  auto value = ns::propertyListFromData({data, size});
  if (!value.ok()) return 0;
  (void)ns::dataFromPropertyList(value.value(), NSPropertyListXMLFormat_v1_0);  // may refuse to unfold sharing
  auto binary = ns::dataFromPropertyList(value.value(), NSPropertyListBinaryFormat_v1_0);
  if (!binary.ok()) std::abort();
  // Read back, it writes the same bytes again.  (Equality of the objects would not
  // do: a date whose time is not a number is, as on the device, unequal to itself.)
  auto back = ns::propertyListFromData(binary.value());
  if (!back.ok()) std::abort();
  auto again = ns::dataFromPropertyList(back.value(), NSPropertyListBinaryFormat_v1_0);
  if (!again.ok() || again.value() != binary.value()) std::abort();
  return 0;
}
