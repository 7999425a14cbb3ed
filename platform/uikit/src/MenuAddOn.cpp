#include <uikit/MenuAddOn.h>

#include <uikit/UIMenuController.h>

#include "FoundationGlue.h"

#include <objcface/ClassBuilder.h>
#include <objcface/Send.h>
#include <objcface/Unrecognized.h>

#include <atomic>
#include <mutex>

namespace uikit {
namespace {

using objc::sel;

std::atomic<bool> gInstalled{false};
std::mutex gMutex;
std::vector<MenuAddOnRegistration> gRegistrations;  // guarded by gMutex

SEL registerSelector() { return sel<"registerAction:title:canPerform:">(); }

void registerAction(id self, SEL cmd, SEL action, id title, id /*canPerform*/) {
  if (!gInstalled.load()) objc::doesNotRecognize(self, cmd);
  std::lock_guard lock(gMutex);
  gRegistrations.push_back({action != nullptr ? sel_getName(action) : "", detail::toStd(title)});
}

// UIMenuController's own respondsToSelector: while the add-on has touched the class:
// the add-on's selector counts only while it is installed.
BOOL respondsToSelector(id self, SEL cmd, SEL aSelector) {
  if (aSelector != nullptr && sel_isEqual(aSelector, registerSelector()) && !gInstalled.load()) return NO;
  return objc::sendSuper<BOOL>(self, UIMenuControllerClass(), cmd, aSelector);
}

// Adds the two methods to UIMenuController once, the first time the add-on is
// installed, so a device that never has it keeps the class untouched.
void extendMenuControllerOnce() {
  static const bool kExtended = [] {
    Class cls = UIMenuControllerClass();
    objc::detail::addMethod(cls, "registerAction:title:canPerform:", objc::detail::MethodTraits<&registerAction>::imp(),
                            objc::detail::MethodTraits<&registerAction>::types());
    objc::detail::addMethod(cls, "respondsToSelector:", objc::detail::MethodTraits<&respondsToSelector>::imp(),
                            objc::detail::MethodTraits<&respondsToSelector>::types());
    return true;
  }();
  (void)kExtended;
}

}  // namespace

void setMenuAddOnInstalled(bool installed) {
  if (installed) extendMenuControllerOnce();
  gInstalled.store(installed);
}

bool menuAddOnInstalled() { return gInstalled.load(); }

std::vector<MenuAddOnRegistration> menuAddOnRegistrations() {
  std::lock_guard lock(gMutex);
  return gRegistrations;
}

}  // namespace uikit
