#include "Classes.h"

#include <springboard6/HostControl.h>
#include <springboardcommon/Icons.h>

// The list group's register functions are weak references while its files are being
// written: a group not linked in yet stays null and registerClasses() skips it.  Once
// every group of src/Classes.h is defined, the weak declarations go and each group is
// called plainly.
namespace sb6::detail {
[[gnu::weak]] void registerBulletinWindowClasses();
[[gnu::weak]] void registerListCellClasses();
[[gnu::weak]] void registerListViewClasses();
[[gnu::weak]] void registerWeeAppClasses();
[[gnu::weak]] void registerListControllerClasses();
[[gnu::weak]] void registerBannerClasses();

// The icon model and icon views are those both home screens share.
void registerIconClasses() { sbcommon::registerIconClasses(); }
}  // namespace sb6::detail

namespace sb6 {

void registerClasses() {
  static const bool done = [] {
    // In the order of src/Classes.h: every superclass comes from UIKit or from a
    // group registered earlier.
    detail::registerIconClasses();
    detail::registerApplicationClasses();
    detail::registerStatusBarClasses();
    detail::registerLockBarClasses();
    detail::registerAwayListClasses();
    detail::registerAwayClasses();
    detail::registerTelephonyClasses();
    using Group = void (*)();
    const Group listGroups[] = {
        detail::registerBulletinWindowClasses, detail::registerListCellClasses,
        detail::registerListViewClasses,       detail::registerWeeAppClasses,
        detail::registerListControllerClasses, detail::registerBannerClasses,
    };
    for (Group group : listGroups) {
      if (group) group();
    }
    return true;
  }();
  (void)done;
}

}  // namespace sb6
