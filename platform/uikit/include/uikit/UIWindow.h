// UIWindow: the root of an on-screen view tree, with a level, the key-window state
// and touch delivery.
//
// A window starts hidden, as on iOS; makeKeyAndVisible shows it and makes it the key
// window.  Answers windowLevel, setWindowLevel:, makeKeyAndVisible, makeKeyWindow,
// isKeyWindow, becomeKeyWindow, resignKeyWindow, +keyWindow, rootViewController,
// setRootViewController: (the controller's view fills the window), screen,
// sendEvent: (touch events: recognisers first, then views; see UIEvent.h) and
// nextResponder (the application).
//
// Windows of the process are listed by uikit::windows() (and UIApplication's
// windows), lowest level first, in creation order within a level.
#pragma once

#include <uikit/UIView.h>

#include <vector>

struct UIWindowIvars : UIViewIvars {
  CGFloat _windowLevel;
  id _rootViewController;  // retained
};

namespace uikit {

Class UIWindowClass();

// Every live window (hidden ones too), lowest level first; borrowed.
std::vector<id> windows();

// The key window, or nil.
id keyWindow();

}  // namespace uikit
