#include <uikit/UIApplication.h>
#include <uikit/UIScreen.h>
#include <uikit/UITableView.h>
#include <uikit/UIViewController.h>
#include <uikit/UIWindow.h>

#include "FoundationGlue.h"
#include "Timers.h"
#include "ViewInternals.h"

#include <foundation/Block.h>
#include <objcface/Send.h>

#include <algorithm>
#include <vector>

namespace uikit {

namespace detail {
struct ControllerStorage {
  std::vector<id> children;  // retained
};
}  // namespace detail

using objc::send;
using objc::sel;

namespace {

constexpr double kTransitionDuration = 0.4;

UIViewControllerIvars* VC(id controller) { return reinterpret_cast<UIViewControllerIvars*>(controller); }

std::vector<id>& children(id self) {
  auto& slot = VC(self)->_controllerStorage;
  if (!slot) slot = std::make_unique<detail::ControllerStorage>();
  return slot->children;
}

id vcInitWithNib(id self, SEL, id, id) { return objc::sendSuper<id>(self, UIViewControllerClass(), sel<"init">()); }
id vcInit(id self, SEL) {
  return send<id>(self, sel<"initWithNibName:bundle:">(), static_cast<id>(nil), static_cast<id>(nil));
}

void vcDealloc(id self, SEL cmd) {
  UIViewControllerIvars* c = VC(self);
  if (c->_controllerStorage) {
    for (id child : c->_controllerStorage->children) {
      VC(child)->_parentViewController = nil;
      objc::release(child);
    }
    c->_controllerStorage.reset();
  }
  if (c->_view) {
    detail::viewIvars(c->_view)->_viewDelegate = nil;
    objc::release(c->_view);
    c->_view = nil;
  }
  if (c->_presentedViewController) {
    VC(c->_presentedViewController)->_presentingViewController = nil;
    objc::release(c->_presentedViewController);
    c->_presentedViewController = nil;
  }
  objc::release(c->_title);
  c->_title = nil;
  objc::sendSuper<void>(self, UIViewControllerClass(), cmd);
}

void vcSetView(id self, SEL, id view) {
  UIViewControllerIvars* c = VC(self);
  if (c->_view == view) return;
  if (c->_view) {
    detail::viewIvars(c->_view)->_viewDelegate = nil;
    objc::release(c->_view);
  }
  c->_view = objc::retain(view);
  if (view) detail::viewIvars(view)->_viewDelegate = self;
}

void vcLoadView(id self, SEL) {
  id view = objc::allocInit(UIViewClass());
  send<void>(view, sel<"setFrame:">(), screen().bounds);
  send<void>(view, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  send<void>(self, sel<"setView:">(), view);
  objc::release(view);
}

id vcView(id self, SEL) {
  if (VC(self)->_view == nil) {
    objc::Ref keep = objc::Ref::retain(self);
    send<void>(self, sel<"loadView">());
    if (VC(self)->_view == nil) vcLoadView(self, nullptr);  // a loadView that made no view
    send<void>(self, sel<"viewDidLoad">());
  }
  return VC(self)->_view;
}

BOOL vcIsViewLoaded(id self, SEL) { return VC(self)->_view != nil ? YES : NO; }
void vcHook(id, SEL) {}
void vcHookBool(id, SEL, BOOL) {}
void vcHookObject(id, SEL, id) {}

id vcTitle(id self, SEL) { return VC(self)->_title; }
void vcSetTitle(id self, SEL, id title) {
  id copy = detail::copyString(title);
  objc::release(VC(self)->_title);
  VC(self)->_title = copy;
}

id vcParent(id self, SEL) { return VC(self)->_parentViewController; }
id vcChildren(id self, SEL) { return detail::makeNSArray(children(self)); }

void vcAddChild(id self, SEL, id child) {
  if (child == nil || child == self || VC(child)->_parentViewController == self) return;
  objc::Ref keep = objc::Ref::retain(child);
  if (VC(child)->_parentViewController != nil) send<void>(child, sel<"removeFromParentViewController">());
  send<void>(child, sel<"willMoveToParentViewController:">(), self);
  children(self).push_back(objc::retain(child));
  VC(child)->_parentViewController = self;
}

void vcRemoveFromParent(id self, SEL) {
  id parent = VC(self)->_parentViewController;
  if (parent == nil) return;
  objc::Ref keep = objc::Ref::retain(self);
  auto& list = children(parent);
  list.erase(std::remove(list.begin(), list.end(), self), list.end());
  VC(self)->_parentViewController = nil;
  objc::release(self);
  send<void>(self, sel<"didMoveToParentViewController:">(), static_cast<id>(nil));
}

// Runs `finish` now, or when the transition ends on the clock.
void afterTransition(bool animated, std::function<void()> finish) {
  if (!animated) return finish();
  detail::runAfter(kTransitionDuration, std::move(finish));
}

id hostWindowOf(id controller) {
  id view = VC(controller)->_view;
  id window = view ? detail::windowOf(view) : nil;
  return window ? window : keyWindow();
}

void vcPresent(id self, SEL, id presented, BOOL animated, id completion) {
  if (presented == nil || VC(self)->_presentedViewController != nil || presented == self) return;
  objc::Ref keepSelf = objc::Ref::retain(self);
  VC(self)->_presentedViewController = objc::retain(presented);
  VC(presented)->_presentingViewController = self;
  id window = hostWindowOf(self);
  id view = send<id>(presented, sel<"view">());
  send<void>(presented, sel<"viewWillAppear:">(), animated);
  send<void>(self, sel<"viewWillDisappear:">(), animated);
  if (window != nil) {
    send<void>(view, sel<"setFrame:">(), viewBounds(window));
    send<void>(window, sel<"addSubview:">(), view);
  }
  objc::Ref done = objc::Ref::retain(completion);
  objc::Ref keepPresented = objc::Ref::retain(presented);
  afterTransition(animated, [keepSelf, keepPresented, done, animated] {
    send<void>(keepPresented, sel<"viewDidAppear:">(), static_cast<BOOL>(animated));
    send<void>(keepSelf, sel<"viewDidDisappear:">(), static_cast<BOOL>(animated));
    if (done) ns::invokeBlock<void()>(done);
  });
}

void vcPresentModal(id self, SEL, id presented, BOOL animated) {
  vcPresent(self, nullptr, presented, animated, nil);
}

void vcDismiss(id self, SEL, BOOL animated, id completion) {
  id presenter = self;
  if (VC(self)->_presentedViewController == nil) presenter = VC(self)->_presentingViewController;
  if (presenter == nil || VC(presenter)->_presentedViewController == nil) return;
  objc::Ref keepPresenter = objc::Ref::retain(presenter);
  objc::Ref presented = objc::Ref::adopt(VC(presenter)->_presentedViewController);
  VC(presenter)->_presentedViewController = nil;
  VC(presented)->_presentingViewController = nil;
  send<void>(presented, sel<"viewWillDisappear:">(), animated);
  send<void>(presenter, sel<"viewWillAppear:">(), animated);
  objc::Ref done = objc::Ref::retain(completion);
  afterTransition(animated, [keepPresenter, presented, done, animated] {
    if (id view = VC(presented)->_view) send<void>(view, sel<"removeFromSuperview">());
    send<void>(presented, sel<"viewDidDisappear:">(), static_cast<BOOL>(animated));
    send<void>(keepPresenter, sel<"viewDidAppear:">(), static_cast<BOOL>(animated));
    if (done) ns::invokeBlock<void()>(done);
  });
}

void vcDismissModal(id self, SEL, BOOL animated) { vcDismiss(self, nullptr, animated, nil); }

id vcPresented(id self, SEL) { return VC(self)->_presentedViewController; }
id vcPresenting(id self, SEL) { return VC(self)->_presentingViewController; }

NSInteger vcOrientation(id, SEL) { return send<NSInteger>(sharedApplication(), sel<"statusBarOrientation">()); }
BOOL vcShouldAutorotate(id, SEL, NSInteger orientation) {
  return orientation == UIInterfaceOrientationPortrait ? YES : NO;
}
BOOL vcEditing(id self, SEL) { return VC(self)->_editing; }
void vcSetEditing(id self, SEL, BOOL on, BOOL) { VC(self)->_editing = on ? YES : NO; }

id vcNextResponder(id self, SEL) {
  id view = VC(self)->_view;
  if (view == nil) return nil;
  id superview = detail::viewIvars(view)->_superview;
  return superview ? superview : nil;
}

// ---- UITableViewController -----------------------------------------------------------

UITableViewControllerIvars* TVC(id controller) { return reinterpret_cast<UITableViewControllerIvars*>(controller); }

id tvcInitWithStyle(id self, SEL, NSInteger style) {
  self = send<id>(self, sel<"initWithNibName:bundle:">(), static_cast<id>(nil), static_cast<id>(nil));
  if (self == nil) return nil;
  TVC(self)->_tableViewStyle = style;
  TVC(self)->_clearsSelectionOnViewWillAppear = YES;
  return self;
}

void tvcLoadView(id self, SEL) {
  id table = send<id>(send<id>(UITableViewClass(), sel<"alloc">()), sel<"initWithFrame:style:">(), screen().bounds,
                      TVC(self)->_tableViewStyle);
  send<void>(table, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  send<void>(table, sel<"setDataSource:">(), self);
  send<void>(table, sel<"setDelegate:">(), self);
  send<void>(self, sel<"setView:">(), table);
  objc::release(table);
}

id tvcTableView(id self, SEL) { return send<id>(self, sel<"view">()); }
void tvcSetTableView(id self, SEL, id table) { send<void>(self, sel<"setView:">(), table); }
BOOL tvcClears(id self, SEL) { return TVC(self)->_clearsSelectionOnViewWillAppear; }
void tvcSetClears(id self, SEL, BOOL on) { TVC(self)->_clearsSelectionOnViewWillAppear = on ? YES : NO; }

void tvcViewWillAppear(id self, SEL cmd, BOOL animated) {
  objc::sendSuper<void>(self, UITableViewControllerClass(), cmd, animated);
  if (!TVC(self)->_clearsSelectionOnViewWillAppear) return;
  id table = VC(self)->_view;
  id selected = table ? send<id>(table, sel<"indexPathForSelectedRow">()) : nil;
  if (selected) send<void>(table, sel<"deselectRowAtIndexPath:animated:">(), selected, animated);
}

}  // namespace

Class UIViewControllerClass() {
  using I = UIViewControllerIvars;
  static const Class cls = objc::ClassBuilder<I>("UIViewController", UIResponderClass())
                               .ivar<&I::_view>("_view")
                               .ivar<&I::_title>("_title")
                               .ivar<&I::_parentViewController>("_parentViewController")
                               .ivar<&I::_presentedViewController>("_presentedViewController")
                               .ivar<&I::_presentingViewController>("_presentingViewController")
                               .ivar<&I::_editing>("_editing")
                               .ivar<&I::_controllerStorage>("_controllerStorage")
                               .method<&vcInit>("init")
                               .method<&vcInitWithNib>("initWithNibName:bundle:")
                               .method<&vcDealloc>("dealloc")
                               .method<&vcView>("view")
                               .method<&vcSetView>("setView:")
                               .method<&vcLoadView>("loadView")
                               .method<&vcIsViewLoaded>("isViewLoaded")
                               .method<&vcHook>("viewDidLoad")
                               .method<&vcHook>("viewWillLayoutSubviews")
                               .method<&vcHook>("viewDidLayoutSubviews")
                               .method<&vcHookBool>("viewWillAppear:")
                               .method<&vcHookBool>("viewDidAppear:")
                               .method<&vcHookBool>("viewWillDisappear:")
                               .method<&vcHookBool>("viewDidDisappear:")
                               .method<&vcTitle>("title")
                               .method<&vcSetTitle>("setTitle:")
                               .method<&vcParent>("parentViewController")
                               .method<&vcChildren>("childViewControllers")
                               .method<&vcAddChild>("addChildViewController:")
                               .method<&vcRemoveFromParent>("removeFromParentViewController")
                               .method<&vcHookObject>("willMoveToParentViewController:")
                               .method<&vcHookObject>("didMoveToParentViewController:")
                               .method<&vcPresent>("presentViewController:animated:completion:")
                               .method<&vcPresentModal>("presentModalViewController:animated:")
                               .method<&vcDismiss>("dismissViewControllerAnimated:completion:")
                               .method<&vcDismissModal>("dismissModalViewControllerAnimated:")
                               .method<&vcPresented>("presentedViewController")
                               .method<&vcPresented>("modalViewController")
                               .method<&vcPresenting>("presentingViewController")
                               .method<&vcOrientation>("interfaceOrientation")
                               .method<&vcShouldAutorotate>("shouldAutorotateToInterfaceOrientation:")
                               .method<&vcEditing>("isEditing")
                               .method<&vcSetEditing>("setEditing:animated:")
                               .method<&vcNextResponder>("nextResponder")
                               .registerClass();
  return cls;
}

Class UITableViewControllerClass() {
  using I = UITableViewControllerIvars;
  static const Class cls = objc::ClassBuilder<I>("UITableViewController", UIViewControllerClass())
                               .ivar<&I::_tableViewStyle>("_tableViewStyle")
                               .ivar<&I::_clearsSelectionOnViewWillAppear>("_clearsSelectionOnViewWillAppear")
                               .method<&tvcInitWithStyle>("initWithStyle:")
                               .method<&tvcLoadView>("loadView")
                               .method<&tvcTableView>("tableView")
                               .method<&tvcSetTableView>("setTableView:")
                               .method<&tvcClears>("clearsSelectionOnViewWillAppear")
                               .method<&tvcSetClears>("setClearsSelectionOnViewWillAppear:")
                               .method<&tvcViewWillAppear>("viewWillAppear:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIViewControllerAtLoad = UIViewControllerClass();
[[maybe_unused]] static const Class kUITableViewControllerAtLoad = UITableViewControllerClass();

}  // namespace uikit
