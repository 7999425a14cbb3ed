#include "PlatformHost.h"

#include "Termination.h"

#include <corefoundation/Notify.h>
#include <foundation/RunLoop.h>
#include <uikit/MenuAddOn.h>
#include <uikit/ScreenDump.h>

namespace hosts {

void PlatformHost::settle() {
  if (homeScreen_ != nullptr) {
    homeScreen_->settle();
  } else {
    ns::RunLoop::main().runUntilIdle();
  }
}

void PlatformHost::serveFor(double seconds) {
  ns::RunLoop::main().runUntil([] { return terminationRequested(); }, seconds);
}

objc::Status PlatformHost::postDarwinNotification(std::string_view name) {
  const std::string text(name);
  switch (notify_post(text.c_str())) {
    case NOTIFY_STATUS_OK: return objc::Ok{};
    case NOTIFY_STATUS_INVALID_NAME: return objc::makeError("notify_post refused the name " + text);
    default: return objc::makeError("notify_post could not deliver " + text);
  }
}

objc::Status PlatformHost::setActionMenuAvailable(bool available) {
  uikit::setMenuAddOnInstalled(available);
  return objc::Ok{};
}

objc::Result<std::string> PlatformHost::dumpScreen() {
  settle();
  return uikit::dumpScreen();
}

}  // namespace hosts
