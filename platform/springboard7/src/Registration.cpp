#include "Classes.h"

#include <springboard7/HostControl.h>

#include <springboardcommon/Icons.h>

#include <objcface/Send.h>

namespace sb7 {

void registerClasses() {
  static const bool done = [] {
    // Every superclass comes from UIKit or from a group registered earlier.
    detail::registerSectionModelClasses();
    sbcommon::registerIconClasses();
    detail::registerBackdropClasses();
    detail::registerCellClasses();
    detail::registerHeaderClasses();
    detail::registerBulletinViewControllerClasses();
    detail::registerModeClasses();
    detail::registerNotificationCenterClasses();
    detail::registerLockScreenListClasses();
    detail::registerLockScreenClasses();
    detail::registerApplicationClasses();
    return true;
  }();
  (void)done;
}

}  // namespace sb7
