#include "PlatformHost.h"

#include "Termination.h"

#include <corefoundation/NotifyDelivery.h>
#include <foundation/RunLoop.h>

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
  auto report = cf::notify::post(name);
  if (!report) return report.error();
  return objc::Ok{};
}

objc::Status PlatformHost::setActionMenuAvailable(bool) {
  return objc::makeError("the action-menu switch is not available yet");
}

objc::Result<std::string> PlatformHost::dumpScreen() { return objc::makeError("screen dumps are not available yet"); }

}  // namespace hosts
