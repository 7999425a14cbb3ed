// Notification Center: SBNotificationCenterController (shown and hidden over everything
// in a window of its own), its SBNotificationCenterViewController (a blurred backdrop
// behind a mode bar and the selected mode's list) and SBModeViewController, which
// switches between the Today, All and Missed modes.  Appearance (viewWillAppear: and
// the rest) reaches the view controllers through message sends.
#include "BulletinViewController.h"
#include "Classes.h"
#include "Common.h"

#include <uikit/UIViewController.h>
#include <uikit/UIWindow.h>

namespace sb7::detail {
namespace {

constexpr CGFloat kNotificationCenterWindowLevel = 1060;
constexpr double kPresentationDuration = 0.3;

bool viewIsInWindow(id controller) {
  return send<BOOL>(controller, sel<"isViewLoaded">()) &&
         send<id>(send<id>(controller, sel<"view">()), sel<"window">()) != nil;
}

// ---- SBModeViewController ----

struct ModeIvars : UIViewControllerIvars {
  id _viewControllers;         // retained NSArray
  id _selectedViewController;  // one of _viewControllers
  id _contentView;             // subview of the view
  id _modeBar;                 // subview: one label per mode
};

ModeIvars* mode(id self) { return objc::ivars<ModeIvars>(self); }
Class modeClass() { return objc::classNamed("SBModeViewController"); }

id modeInitWithViewControllers(id self, SEL, id controllers) {
  self = objc::sendSuper<id>(self, modeClass(), sel<"init">());
  if (!self) return nil;
  mode(self)->_viewControllers = send<id>(controllers, sel<"copy">());
  auto all = elements(controllers);
  mode(self)->_selectedViewController = all.empty() ? nil : all.front();
  return self;
}

void modeLoadView(id self, SEL) {
  CGRect bounds = screenBounds();
  id view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  auto* m = mode(self);
  m->_modeBar = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(),
                         CGRectMake(0, 0, bounds.size.width, kNotificationCenterHeaderHeight));
  auto controllers = elements(m->_viewControllers);
  CGFloat width = controllers.empty() ? bounds.size.width : bounds.size.width / static_cast<CGFloat>(controllers.size());
  CGFloat x = 0;
  for (id controller : controllers) {
    id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(),
                        CGRectMake(x, 30, width, 24));
    send<void>(label, sel<"setText:">(), send<id>(controller, sel<"title">()));
    send<void>(label, sel<"setTextAlignment:">(), NSInteger{1});
    send<void>(m->_modeBar, sel<"addSubview:">(), label);
    objc::release(label);
    x += width;
  }
  send<void>(view, sel<"addSubview:">(), m->_modeBar);
  objc::release(m->_modeBar);
  m->_contentView = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(),
                             CGRectMake(0, kNotificationCenterHeaderHeight, bounds.size.width,
                                        bounds.size.height - kNotificationCenterHeaderHeight));
  send<void>(view, sel<"addSubview:">(), m->_contentView);
  objc::release(m->_contentView);
  if (id selected = m->_selectedViewController) {
    id selectedView = send<id>(selected, sel<"view">());
    send<void>(selectedView, sel<"setFrame:">(), send<CGRect>(m->_contentView, sel<"bounds">()));
    send<void>(m->_contentView, sel<"addSubview:">(), selectedView);
  }
  send<void>(self, sel<"setView:">(), view);
  objc::release(view);
}

id modeViewControllers(id self, SEL) { return mode(self)->_viewControllers; }
id modeSelected(id self, SEL) { return mode(self)->_selectedViewController; }

// Switching modes while on screen: the old mode disappears and the new one appears.
void modeSetSelected(id self, SEL, id controller) {
  auto* m = mode(self);
  if (controller == nil || controller == m->_selectedViewController) return;
  if (!send<BOOL>(m->_viewControllers, sel<"containsObject:">(), controller)) return;
  id old = m->_selectedViewController;
  bool onScreen = viewIsInWindow(self);
  if (onScreen && old) send<void>(old, sel<"viewWillDisappear:">(), BOOL{NO});
  if (onScreen) send<void>(controller, sel<"viewWillAppear:">(), BOOL{NO});
  m->_selectedViewController = controller;
  if (send<BOOL>(self, sel<"isViewLoaded">())) {
    if (old && send<BOOL>(old, sel<"isViewLoaded">())) send<void>(send<id>(old, sel<"view">()), sel<"removeFromSuperview">());
    id view = send<id>(controller, sel<"view">());
    send<void>(view, sel<"setFrame:">(), send<CGRect>(m->_contentView, sel<"bounds">()));
    send<void>(m->_contentView, sel<"addSubview:">(), view);
  }
  if (onScreen && old) send<void>(old, sel<"viewDidDisappear:">(), BOOL{NO});
  if (onScreen) send<void>(controller, sel<"viewDidAppear:">(), BOOL{NO});
}

void modeForwardAppearance(id self, SEL cmd, BOOL animated) {
  objc::sendSuper<void>(self, modeClass(), cmd, animated);
  send<void>(mode(self)->_selectedViewController, cmd, animated);
}

void modeDealloc(id self, SEL cmd) {
  clear(mode(self)->_viewControllers);
  objc::sendSuper<void>(self, modeClass(), cmd);
}

// ---- SBNotificationCenterViewController ----

struct NCViewControllerIvars : UIViewControllerIvars {
  id _backgroundView;  // retained _UIBackdropView
  id _modeController;  // retained SBModeViewController
  id _todayViewController;
  id _allModeViewController;
  id _missedModeViewController;
};

NCViewControllerIvars* ncvc(id self) { return objc::ivars<NCViewControllerIvars>(self); }
Class ncvcClass() { return objc::classNamed("SBNotificationCenterViewController"); }

id makeMode(const char* className, const char* title) {
  id controller = newObject(className);
  send<void>(controller, sel<"setTitle:">(), str(title));
  return controller;
}

id ncvcInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, ncvcClass(), cmd);
  if (!self) return nil;
  auto* v = ncvc(self);
  v->_todayViewController = makeMode("SBTodayViewController", "Today");
  v->_allModeViewController = makeMode("SBNotificationsAllModeViewController", "All");
  v->_missedModeViewController = makeMode("SBNotificationsMissedModeViewController", "Missed");
  id modes[] = {v->_todayViewController, v->_allModeViewController, v->_missedModeViewController};
  objc::AutoreleasePool pool;
  id list = send<id>(objc::classNamed("NSArray"), sel<"arrayWithObjects:count:">(), static_cast<const id*>(modes),
                     NSUInteger{3});
  v->_modeController =
      send<id>(send<id>(objc::classNamed("SBModeViewController"), sel<"alloc">()), sel<"initWithViewControllers:">(), list);
  // The list of every notification is what Notification Center opens on.
  send<void>(v->_modeController, sel<"setSelectedViewController:">(), v->_allModeViewController);
  return self;
}

void ncvcLoadView(id self, SEL) {
  CGRect bounds = screenBounds();
  auto* v = ncvc(self);
  id view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  v->_backgroundView = send<id>(send<id>(objc::classNamed("_UIBackdropView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  send<void>(view, sel<"addSubview:">(), v->_backgroundView);
  id modesView = send<id>(v->_modeController, sel<"view">());
  send<void>(modesView, sel<"setFrame:">(), bounds);
  send<void>(view, sel<"addSubview:">(), modesView);
  send<void>(self, sel<"setView:">(), view);
  objc::release(view);
}

void ncvcForwardAppearance(id self, SEL cmd, BOOL animated) {
  objc::sendSuper<void>(self, ncvcClass(), cmd, animated);
  send<void>(ncvc(self)->_modeController, cmd, animated);
}

void ncvcDealloc(id self, SEL cmd) {
  auto* v = ncvc(self);
  clear(v->_backgroundView);
  clear(v->_modeController);
  clear(v->_todayViewController);
  clear(v->_allModeViewController);
  clear(v->_missedModeViewController);
  objc::sendSuper<void>(self, ncvcClass(), cmd);
}

// ---- SBNotificationCenterController ----

struct NCControllerIvars : NSObjectIvars {
  id _viewController;  // retained
  id _window;          // retained
  BOOL _isVisible;
  BOOL _isTransitioning;
};

NCControllerIvars* ncc(id self) { return objc::ivars<NCControllerIvars>(self); }

id nccShared(id, SEL) {
  id& slot = sharedSlot("SBNotificationCenterController");
  if (!slot) slot = newObject("SBNotificationCenterController");
  return slot;
}

id nccViewController(id self, SEL) {
  if (!ncc(self)->_viewController) ncc(self)->_viewController = newObject("SBNotificationCenterViewController");
  return ncc(self)->_viewController;
}

BOOL nccIsVisible(id self, SEL) { return ncc(self)->_isVisible; }

id nccWindow(id self, SEL) {
  auto* c = ncc(self);
  if (!c->_window) {
    c->_window = send<id>(send<id>(objc::classNamed("UIWindow"), sel<"alloc">()), sel<"initWithFrame:">(), screenBounds());
    send<void>(c->_window, sel<"setWindowLevel:">(), kNotificationCenterWindowLevel);
  }
  return c->_window;
}

void beginSlide(id self, SEL didStop) {
  send<void>(objc::classNamed("UIView"), sel<"beginAnimations:context:">(), str("SBNotificationCenterSlide"),
             static_cast<void*>(nullptr));
  send<void>(objc::classNamed("UIView"), sel<"setAnimationDuration:">(), kPresentationDuration);
  send<void>(objc::classNamed("UIView"), sel<"setAnimationCurve:">(), NSInteger{0});
  send<void>(objc::classNamed("UIView"), sel<"setAnimationDelegate:">(), self);
  send<void>(objc::classNamed("UIView"), sel<"setAnimationDidStopSelector:">(), didStop);
}

// Shows Notification Center: its view controller hears viewWillAppear: before the
// view slides in and viewDidAppear: when it is in place.
void nccPresent(id self, SEL, BOOL animated) {
  auto* c = ncc(self);
  if (c->_isVisible || c->_isTransitioning) return;
  id controller = nccViewController(self, nullptr);
  id window = nccWindow(self, nullptr);
  id view = send<id>(controller, sel<"view">());
  CGRect bounds = screenBounds();
  send<void>(view, sel<"setFrame:">(), animated ? CGRectOffset(bounds, 0, -bounds.size.height) : bounds);
  send<void>(window, sel<"addSubview:">(), view);
  c->_isVisible = YES;
  send<void>(controller, sel<"viewWillAppear:">(), animated);
  send<void>(window, sel<"setHidden:">(), BOOL{NO});
  if (!animated) {
    send<void>(controller, sel<"viewDidAppear:">(), BOOL{NO});
    return;
  }
  c->_isTransitioning = YES;
  beginSlide(self, sel<"_presentationAnimationDidStop:finished:context:">());
  send<void>(view, sel<"setFrame:">(), bounds);
  send<void>(objc::classNamed("UIView"), sel<"commitAnimations">());
}

void nccPresentationDidStop(id self, SEL, id, id, void*) {
  ncc(self)->_isTransitioning = NO;
  send<void>(ncc(self)->_viewController, sel<"viewDidAppear:">(), BOOL{YES});
}

void finishDismissal(id self, BOOL animated) {
  auto* c = ncc(self);
  c->_isTransitioning = NO;
  send<void>(send<id>(c->_viewController, sel<"view">()), sel<"removeFromSuperview">());
  send<void>(c->_window, sel<"setHidden:">(), BOOL{YES});
  c->_isVisible = NO;
  send<void>(c->_viewController, sel<"viewDidDisappear:">(), animated);
}

// Hides Notification Center: viewWillDisappear: first, viewDidDisappear: once gone.
void nccDismiss(id self, SEL, BOOL animated) {
  auto* c = ncc(self);
  if (!c->_isVisible || c->_isTransitioning) return;
  id controller = c->_viewController;
  send<void>(controller, sel<"viewWillDisappear:">(), animated);
  if (!animated) {
    finishDismissal(self, NO);
    return;
  }
  c->_isTransitioning = YES;
  CGRect bounds = screenBounds();
  beginSlide(self, sel<"_dismissalAnimationDidStop:finished:context:">());
  send<void>(send<id>(controller, sel<"view">()), sel<"setFrame:">(), CGRectOffset(bounds, 0, -bounds.size.height));
  send<void>(objc::classNamed("UIView"), sel<"commitAnimations">());
}

void nccDismissalDidStop(id self, SEL, id, id, void*) { finishDismissal(self, YES); }

void nccDealloc(id self, SEL cmd) {
  auto* c = ncc(self);
  if (c->_window) send<void>(c->_window, sel<"setHidden:">(), BOOL{YES});
  clear(c->_viewController);
  clear(c->_window);
  objc::sendSuper<void>(self, objc::classNamed("SBNotificationCenterController"), cmd);
}

}  // namespace

void registerNotificationCenterClasses() {
  objc::ClassBuilder<ModeIvars>("SBModeViewController", objc::classNamed("UIViewController"))
      .ivar<&ModeIvars::_viewControllers>("_viewControllers")
      .ivar<&ModeIvars::_selectedViewController>("_selectedViewController")
      .ivar<&ModeIvars::_contentView>("_contentView")
      .ivar<&ModeIvars::_modeBar>("_modeBar")
      .method<&modeInitWithViewControllers>("initWithViewControllers:")
      .method<&modeLoadView>("loadView")
      .method<&modeViewControllers>("viewControllers")
      .method<&modeSelected>("selectedViewController")
      .method<&modeSetSelected>("setSelectedViewController:")
      .method<&modeForwardAppearance>("viewWillAppear:")
      .method<&modeForwardAppearance>("viewDidAppear:")
      .method<&modeForwardAppearance>("viewWillDisappear:")
      .method<&modeForwardAppearance>("viewDidDisappear:")
      .method<&modeDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<NCViewControllerIvars>("SBNotificationCenterViewController", objc::classNamed("UIViewController"))
      .ivar<&NCViewControllerIvars::_backgroundView>("_backgroundView")
      .ivar<&NCViewControllerIvars::_modeController>("_modeController")
      .ivar<&NCViewControllerIvars::_todayViewController>("_todayViewController")
      .ivar<&NCViewControllerIvars::_allModeViewController>("_allModeViewController")
      .ivar<&NCViewControllerIvars::_missedModeViewController>("_missedModeViewController")
      .method<&ncvcInit>("init")
      .method<&ncvcLoadView>("loadView")
      .method<&ncvcForwardAppearance>("viewWillAppear:")
      .method<&ncvcForwardAppearance>("viewDidAppear:")
      .method<&ncvcForwardAppearance>("viewWillDisappear:")
      .method<&ncvcForwardAppearance>("viewDidDisappear:")
      .method<&ncvcDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<NCControllerIvars>("SBNotificationCenterController", objc::NSObjectClass())
      .ivar<&NCControllerIvars::_viewController>("_viewController")
      .ivar<&NCControllerIvars::_window>("_window")
      .ivar<&NCControllerIvars::_isVisible>("_isVisible")
      .ivar<&NCControllerIvars::_isTransitioning>("_isTransitioning")
      .method<&nccViewController>("viewController")
      .method<&nccIsVisible>("isVisible")
      .method<&nccWindow>("window")
      .method<&nccPresent>("presentAnimated:")
      .method<&nccDismiss>("dismissAnimated:")
      .method<&nccPresentationDidStop>("_presentationAnimationDidStop:finished:context:")
      .method<&nccDismissalDidStop>("_dismissalAnimationDidStop:finished:context:")
      .method<&nccDealloc>("dealloc")
      .classMethod<&nccShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb7::detail
