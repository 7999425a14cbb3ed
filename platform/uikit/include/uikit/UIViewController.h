// UIViewController and UITableViewController: the owners of screens of views.
//
// The view is made on first use of -view: loadView (default: a plain view the size of
// the main screen, resizing with its superview), then viewDidLoad, both by message
// send.  The view's next responder is its controller; the controller's is the view's
// superview.
//
// Answers init, initWithNibName:bundle:, view, setView:, loadView, isViewLoaded,
// viewDidLoad, viewWillAppear:, viewDidAppear:, viewWillDisappear:,
// viewDidDisappear: (hooks for subclasses), title, setTitle:, parentViewController,
// childViewControllers, addChildViewController:, removeFromParentViewController,
// willMoveToParentViewController:, didMoveToParentViewController:,
// presentViewController:animated:completion:, presentModalViewController:animated:,
// dismissViewControllerAnimated:completion:, dismissModalViewControllerAnimated:,
// presentedViewController, presentingViewController, modalViewController,
// interfaceOrientation, editing, setEditing:animated:, nextResponder.
//
// Presenting puts the presented controller's view over the whole window of the
// presenting one (or the key window) and sends, by message, viewWillAppear: to it and
// viewWillDisappear: to the presenter, then viewDidAppear: / viewDidDisappear: and
// the completion block: at once when not animated, when the 0.4 s transition ends on
// the process clock when animated.  Dismissing does the reverse.  A controller that
// presents nothing passes a dismissal to the controller that presented it.
//
// UITableViewController answers initWithStyle:, tableView, setTableView: and
// clearsSelectionOnViewWillAppear; its loadView makes a UITableView of its style
// whose data source and delegate are the controller.
#pragma once

#include <uikit/UIResponder.h>
#include <uikit/UIKitTypes.h>

#include <memory>

namespace uikit::detail {
struct ControllerStorage;
}

struct UIViewControllerIvars : UIResponderIvars {
  id _view;                      // retained
  id _title;                     // retained
  id _parentViewController;      // not retained: the parent owns its children
  id _presentedViewController;   // retained
  id _presentingViewController;  // not retained
  BOOL _editing;
  std::unique_ptr<uikit::detail::ControllerStorage> _controllerStorage;  // children
};

struct UITableViewControllerIvars : UIViewControllerIvars {
  NSInteger _tableViewStyle;
  BOOL _clearsSelectionOnViewWillAppear;
};

namespace uikit {

Class UIViewControllerClass();
Class UITableViewControllerClass();

}  // namespace uikit
