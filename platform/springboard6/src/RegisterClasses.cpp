#include "Classes.h"

#include <springboard6/HostControl.h>
#include <springboardcommon/Icons.h>

namespace sb6::detail {
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
    detail::registerBulletinWindowClasses();
    detail::registerListCellClasses();
    detail::registerListViewClasses();
    detail::registerWeeAppClasses();
    detail::registerListControllerClasses();
    detail::registerBannerClasses();
    return true;
  }();
  (void)done;
}

}  // namespace sb6
