// UIApplication: the one application object of the process.
//
// The shared application is made on first use of +sharedApplication, or by a host
// that registers its own subclass (the home screen's "SpringBoard") with
// makeSharedApplication.  Answers +sharedApplication, delegate/setDelegate: (not
// retained), keyWindow, windows, activeInterfaceOrientation, statusBarOrientation,
// setStatusBarOrientation:(animated:), openURL: (recorded; answers YES for a URL),
// canOpenURL:, sendEvent: (touch events go to the windows of their touches),
// sendAction:to:from:forEvent: (a nil target means the first responder's chain),
// beginIgnoringInteractionEvents, endIgnoringInteractionEvents,
// isIgnoringInteractionEvents, statusBarHidden, setStatusBarHidden:(animated:),
// applicationState (0, active) and nextResponder (the delegate when it is a
// responder).  A second application object refuses to be made (init answers nil).
#pragma once

#include <uikit/UIResponder.h>

#include <objcface/Result.h>

#include <memory>
#include <string>
#include <vector>

namespace uikit::detail {
struct ApplicationStorage;
}

struct UIApplicationIvars : UIResponderIvars {
  id _delegate;  // not retained
  NSInteger _activeInterfaceOrientation;
  NSInteger _statusBarOrientation;
  NSInteger _ignoringInteractionEvents;
  BOOL _statusBarHidden;
  std::unique_ptr<uikit::detail::ApplicationStorage> _applicationStorage;  // opened URLs
};

namespace uikit {

Class UIApplicationClass();

// The shared application, made as a plain UIApplication when none exists yet.
id sharedApplication();

// Makes the shared application an instance of cls (UIApplication or a subclass) with
// alloc/init.  An error when one exists already or cls is not a UIApplication.
objc::Result<id> makeSharedApplication(Class cls);

// Drops the shared application, so that a host or test may start afresh; the object
// goes away when nothing else holds it.
void resetSharedApplication();

// The interface orientation the application reports (1 portrait, 2 upside down,
// 3 and 4 landscape): both activeInterfaceOrientation and statusBarOrientation.
void setInterfaceOrientation(NSInteger orientation);

// The URLs given to openURL:, oldest first, as their absolute strings.
std::vector<std::string> openedURLs();
void clearOpenedURLs();

}  // namespace uikit
