#include <corefoundation/CFBase.h>

#include <foundation/NSString.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace {

[[noreturn]] void nullArgument(const char* function) {
  std::fprintf(stderr, "*** %s() called with NULL\n", function);
  std::abort();
}

}  // namespace

extern "C" CFTypeRef CFRetain(CFTypeRef object) {
  if (object == nullptr) nullArgument("CFRetain");
  objc::retain(cf::toId(object));
  return object;
}

extern "C" void CFRelease(CFTypeRef object) {
  if (object == nullptr) nullArgument("CFRelease");
  objc::release(cf::toId(object));
}

extern "C" CFIndex CFGetRetainCount(CFTypeRef object) {
  if (object == nullptr) nullArgument("CFGetRetainCount");
  return static_cast<CFIndex>(objc::send<NSUInteger>(cf::toId(object), objc::sel<"retainCount">()));
}

namespace cf {

CFStringRef constantString(const char* utf8) {
  static std::mutex mutex;
  static std::map<std::string, id, std::less<>> table;
  std::lock_guard guard(mutex);
  std::string_view text(utf8);
  auto found = table.find(text);
  if (found == table.end()) found = table.emplace(std::string(text), ns::makeString(text).leak()).first;
  return fromId<CFStringRef>(found->second);
}

}  // namespace cf
