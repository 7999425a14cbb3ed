// The helpers shared by both home screens (springboardcommon/Helpers.h).
#include <springboardcommon/Helpers.h>

#include <objcface/Send.h>

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>

#include <deque>
#include <utility>

namespace sbcommon {

using objc::sel;
using objc::send;

id str(std::string_view utf8) { return ns::str(utf8); }
std::string text(id string) { return string ? ns::utf8(string) : std::string(); }
id mutableArray() { return ns::mutableArray(); }
id mutableDictionary() { return ns::mutableDictionary(); }

std::vector<id> elements(id array) {
  auto span = ns::elements(array);
  return {span.begin(), span.end()};
}

NSUInteger count(id collection) { return collection ? send<NSUInteger>(collection, sel<"count">()) : 0; }

id indexPath(NSInteger section, NSInteger row) {
  return send<id>(objc::classNamed("NSIndexPath"), sel<"indexPathForRow:inSection:">(), row, section);
}
NSInteger pathSection(id path) { return path ? send<NSInteger>(path, sel<"section">()) : -1; }
NSInteger pathRow(id path) { return path ? send<NSInteger>(path, sel<"row">()) : -1; }

id indexSet(NSUInteger index) { return send<id>(objc::classNamed("NSIndexSet"), sel<"indexSetWithIndex:">(), index); }

id newObject(const char* className) {
  Class cls = objc::classNamed(className);
  return cls ? send<id>(send<id>(cls, sel<"alloc">()), sel<"init">()) : nil;
}

bool isKind(id object, const char* className) {
  Class cls = objc::classNamed(className);
  return object && cls && send<BOOL>(object, sel<"isKindOfClass:">(), cls);
}

namespace {
std::deque<std::pair<std::string, id>>& slots() {
  // A deque keeps the addresses of its elements when it grows.
  static std::deque<std::pair<std::string, id>> all;
  return all;
}
}  // namespace

id& sharedSlot(const char* name) {
  auto& all = slots();
  for (auto& [n, object] : all) {
    if (n == name) return object;
  }
  all.emplace_back(name, nil);
  return all.back().second;
}

void releaseSharedInstances() {
  auto& all = slots();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    id object = it->second;
    it->second = nil;
    objc::release(object);
  }
}

CGRect screenBounds(CGSize fallback) {
  Class screenClass = objc::classNamed("UIScreen");
  id screen = screenClass ? objc::send<id>(screenClass, objc::sel<"mainScreen">()) : nil;
  CGRect bounds = screen ? objc::send<CGRect>(screen, objc::sel<"bounds">()) : CGRect{};
  return bounds.size.width > 0 ? bounds : CGRect{{0, 0}, fallback};
}

}  // namespace sbcommon
