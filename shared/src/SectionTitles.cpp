#include <noctil/SectionTitles.h>

#include <objcface/NSObject.h>

#include <string>

namespace noctil {
namespace {

using objc::sel;

id nsString(const char* utf8) {
  return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), utf8);
}

}  // namespace

id titleWithoutCount(id title) {
  Class string = objc_lookUpClass("NSString");
  if (title == nil || !objc::send<BOOL>(title, sel<"isKindOfClass:">(), string)) return nsString("");
  const char* utf8 = objc::send<const char*>(title, sel<"UTF8String">());
  if (utf8 == nullptr) return nsString("");
  const std::string text = utf8;
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ')') {
    const std::size_t open = text.rfind(" (", end - 1);
    if (open == std::string::npos || open + 2 == end - 1) break;
    bool digits = true;
    for (std::size_t i = open + 2; i < end - 1; ++i) digits = digits && text[i] >= '0' && text[i] <= '9';
    if (!digits) break;
    end = open;
  }
  if (end == text.size()) return title;
  return nsString(text.substr(0, end).c_str());
}

id titleWithCount(id title, NSInteger count) {
  id suffix = objc::sendVariadic<id>(objc_lookUpClass("NSString"), sel<"stringWithFormat:">(), nsString(" (%d)"),
                                     static_cast<int>(count));
  return objc::send<id>(titleWithoutCount(title), sel<"stringByAppendingString:">(), suffix);
}

}  // namespace noctil
