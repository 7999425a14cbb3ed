#include <noctil/Badges.h>

#include <objcface/NSObject.h>

namespace noctil {
namespace {

using objc::sel;

template <class R = id, class... Args>
R askIfAnswered(id receiver, SEL selector, Args... args) {
  if (!objc::responds(receiver, selector)) return R{};
  return objc::send<R>(receiver, selector, args...);
}

}  // namespace

id iconModel() {
  id modelClass = reinterpret_cast<id>(objc_lookUpClass("SBIconModel"));
  if (objc::responds(modelClass, sel<"sharedInstance">())) return objc::send<id>(modelClass, sel<"sharedInstance">());
  id mapClass = reinterpret_cast<id>(objc_lookUpClass("SBIconViewMap"));
  return askIfAnswered(askIfAnswered(mapClass, sel<"homescreenMap">()), sel<"iconModel">());
}

void updateBadge(id sectionID, BOOL clear) {
  if (sectionID == nil) return;
  objc::AutoreleasePool pool;
  id icon = askIfAnswered(iconModel(), sel<"applicationIconForDisplayIdentifier:">(), sectionID);
  if (icon == nil || !objc::responds(icon, sel<"setBadge:">())) return;
  if (clear) {
    objc::send<void>(icon, sel<"setBadge:">(), id{nil});
    return;
  }
  const NSInteger value = askIfAnswered<NSInteger>(icon, sel<"badgeValue">());
  if (value < 1) return;
  if (value == 1) {
    objc::send<void>(icon, sel<"setBadge:">(), id{nil});
    return;
  }
  objc::send<void>(icon, sel<"setBadge:">(),
                   objc::sendVariadic<id>(objc_lookUpClass("NSString"), sel<"stringWithFormat:">(),
                                          objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), "%d"),
                                          static_cast<int>(value - 1)));
}

}  // namespace noctil
