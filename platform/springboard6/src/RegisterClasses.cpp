#include "Classes.h"

#include <springboard6/HostControl.h>

// The groups are linked in as their files land; until then a group's register
// function is a weak reference that stays null, and registerClasses() skips it.  Once
// every group of src/Classes.h is defined, the weak declarations below go and each
// group is called plainly.
namespace sb6::detail {
[[gnu::weak]] void registerIconClasses();
[[gnu::weak]] void registerApplicationClasses();
[[gnu::weak]] void registerStatusBarClasses();
[[gnu::weak]] void registerLockBarClasses();
[[gnu::weak]] void registerAwayListClasses();
[[gnu::weak]] void registerAwayClasses();
[[gnu::weak]] void registerTelephonyClasses();
[[gnu::weak]] void registerBulletinWindowClasses();
[[gnu::weak]] void registerListCellClasses();
[[gnu::weak]] void registerListViewClasses();
[[gnu::weak]] void registerWeeAppClasses();
[[gnu::weak]] void registerListControllerClasses();
[[gnu::weak]] void registerBannerClasses();
}  // namespace sb6::detail

namespace sb6 {

void registerClasses() {
  static const bool done = [] {
    // In the order of src/Classes.h: every superclass comes from UIKit or from a
    // group registered earlier.
    using Group = void (*)();
    const Group groups[] = {
        detail::registerIconClasses,        detail::registerApplicationClasses,
        detail::registerStatusBarClasses,   detail::registerLockBarClasses,
        detail::registerAwayListClasses,    detail::registerAwayClasses,
        detail::registerTelephonyClasses,   detail::registerBulletinWindowClasses,
        detail::registerListCellClasses,    detail::registerListViewClasses,
        detail::registerWeeAppClasses,      detail::registerListControllerClasses,
        detail::registerBannerClasses,
    };
    for (Group group : groups) {
      if (group) group();
    }
    return true;
  }();
  (void)done;
}

}  // namespace sb6
