// The device's passcode (SBDeviceLockController) and the power-down screen
// (SBPowerDownController), as the lock screen asks about them.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <optional>
#include <string>

namespace sb6::detail {
namespace {

constexpr std::size_t kSimplePasscodeLength = 4;

// The passcode is a setting of the device (Settings → Passcode Lock), so it lives as
// long as the process, not with the controller.
std::optional<std::string>& devicePasscode() {
  static std::optional<std::string> value;
  return value;
}

id lockControllerShared(id, SEL) {
  id& slot = sharedSlot("SBDeviceLockController");
  if (!slot) slot = newObject("SBDeviceLockController");
  return slot;
}

BOOL lockControllerIsPasswordProtected(id, SEL) { return devicePasscode().has_value() ? YES : NO; }

// A simple passcode is four digits, typed on a keypad without OK.
BOOL lockControllerIsUsingSimplePasscode(id, SEL) {
  const auto& code = devicePasscode();
  if (!code || code->size() != kSimplePasscodeLength) return NO;
  for (char c : *code) {
    if (c < '0' || c > '9') return NO;
  }
  return YES;
}

BOOL lockControllerAttemptUnlock(id, SEL, id password, BOOL) {
  const auto& code = devicePasscode();
  if (!code) return YES;
  return password != nil && text(password) == *code ? YES : NO;
}

struct PowerDownIvars : NSObjectIvars {
  BOOL _isOrderedFront;
};

id powerDownShared(id, SEL) {
  id& slot = sharedSlot("SBPowerDownController");
  if (!slot) slot = newObject("SBPowerDownController");
  return slot;
}

BOOL powerDownIsOrderedFront(id self, SEL) { return objc::ivars<PowerDownIvars>(self)->_isOrderedFront; }
void powerDownOrderFront(id self, SEL) { objc::ivars<PowerDownIvars>(self)->_isOrderedFront = YES; }
void powerDownOrderOut(id self, SEL) { objc::ivars<PowerDownIvars>(self)->_isOrderedFront = NO; }

}  // namespace

void setDevicePasscode(std::optional<std::string> passcode) { devicePasscode() = std::move(passcode); }

void registerDeviceLockClasses() {
  objc::ClassBuilder<NSObjectIvars>("SBDeviceLockController", objc::NSObjectClass())
      .method<&lockControllerIsPasswordProtected>("isPasswordProtected")
      .method<&lockControllerIsUsingSimplePasscode>("isUsingSimplePasscode")
      .method<&lockControllerAttemptUnlock>("attemptDeviceUnlockWithPassword:appRequested:")
      .classMethod<&lockControllerShared>("sharedController")
      .registerClass();
  objc::ClassBuilder<PowerDownIvars>("SBPowerDownController", objc::NSObjectClass())
      .ivar<&PowerDownIvars::_isOrderedFront>("_isOrderedFront")
      .method<&powerDownIsOrderedFront>("isOrderedFront")
      .method<&powerDownOrderFront>("orderFront")
      .method<&powerDownOrderOut>("orderOut")
      .classMethod<&powerDownShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb6::detail
