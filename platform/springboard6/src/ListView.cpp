// Notification Center's list view, SBBulletinListView, and its table,
// SBBulletinTableView.  The list view is made each time the list is shown
// (initWithFrame:delegate:, which asks the class for its linen) and released after
// it is hidden.  Its sliding view carries everything that moves: a dark strip behind
// the status bar, the linen, the table and the grabber; positionSlidingViewAtY:
// puts the sliding view's bottom edge at a height of the screen as the list comes
// down or goes up.  An empty list shows "No Notifications".
#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <uikit/UIColor.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIKitTypes.h>
#include <uikit/UITableView.h>
#include <uikit/UIView.h>

#include <algorithm>

namespace sb6::detail {
namespace {

constexpr CGFloat kCornerSize = 6;
constexpr CGFloat kLabelWidth = 220;
constexpr CGFloat kLabelHeight = 30;

struct ListViewIvars : UIViewIvars {
  id _delegate;      // not retained: the list controller
  id _slidingView;   // subview
  id _linenView;     // subview of the sliding view: UIImageView of the linen
  id _tableView;     // subview of the sliding view: SBBulletinTableView
  id _statusBar;     // subview of the sliding view: the strip behind the status bar
  id _grabberView;   // subview of the sliding view
  id _topLeftCornerView;
  id _topRightCornerView;
  id _noNotificationsLabel;  // subview of the sliding view
};

ListViewIvars* lv(id self) { return objc::ivars<ListViewIvars>(self); }
Class listViewClass() { return objc::classNamed("SBBulletinListView"); }

id makeView(const char* className, CGRect frame) {
  return send<id>(send<id>(objc::classNamed(className), sel<"alloc">()), sel<"initWithFrame:">(), frame);
}

id colour(CGFloat white, CGFloat alpha) { return uikit::makeColor(uikit::Color::white(white, alpha)); }

// Adds a subview and answers it (the superview owns it).
id add(id superview, id view) {
  send<void>(superview, sel<"addSubview:">(), view);
  objc::release(view);
  return view;
}

// The linen texture: a dark cloth of fine threads across and down, drawn once at the
// size of the list.
id drawLinen() {
  CGRect screen = screenBounds();
  CGSize size = CGSizeMake(isPad() ? kPadListWidth : screen.size.width, screen.size.height);
  UIGraphicsBeginImageContextWithOptions(size, YES, 0);
  CGContextRef c = UIGraphicsGetCurrentContext();
  CGContextSetGrayFillColor(c, 0.2, 1);
  CGContextFillRect(c, CGRectMake(0, 0, size.width, size.height));
  unsigned seed = 7;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<CGFloat>((seed >> 16) & 0xff) / 255.0;
  };
  for (CGFloat y = 0; y < size.height; y += 2) {
    CGContextSetGrayFillColor(c, 0.24 + 0.04 * next(), 0.5);
    CGContextFillRect(c, CGRectMake(0, y, size.width, 1));
  }
  for (CGFloat x = 0; x < size.width; x += 3) {
    CGContextSetGrayFillColor(c, 0.14 + 0.04 * next(), 0.35);
    CGContextFillRect(c, CGRectMake(x, 0, 1, size.height));
  }
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image;
}

id listViewLinen(id, SEL) {
  id& slot = sharedSlot("SBBulletinListView.linen");
  if (!slot) slot = objc::retain(drawLinen());
  return slot;
}

id listViewInitWithFrameDelegate(id self, SEL, CGRect frame, id delegate) {
  self = objc::sendSuper<id>(self, listViewClass(), sel<"initWithFrame:">(), frame);
  if (!self) return nil;
  auto* v = lv(self);
  v->_delegate = delegate;
  CGRect bounds = CGRectMake(0, 0, frame.size.width, frame.size.height);
  CGFloat w = bounds.size.width, h = bounds.size.height;
  v->_slidingView = add(self, makeView("UIView", bounds));

  id linen = send<id>(object_getClass(self), sel<"linen">());
  v->_linenView = send<id>(send<id>(objc::classNamed("UIImageView"), sel<"alloc">()), sel<"initWithImage:">(), linen);
  send<void>(v->_linenView, sel<"setFrame:">(), bounds);
  send<void>(v->_linenView, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  add(v->_slidingView, v->_linenView);

  v->_tableView = send<id>(send<id>(objc::classNamed("SBBulletinTableView"), sel<"alloc">()),
                           sel<"initWithFrame:linenView:">(),
                           CGRectMake(0, kListStatusStripHeight, w, std::max<CGFloat>(h - kListStatusStripHeight, 0)),
                           v->_linenView);
  send<void>(v->_tableView, sel<"setDataSource:">(), delegate);
  send<void>(v->_tableView, sel<"setDelegate:">(), delegate);
  add(v->_slidingView, v->_tableView);

  v->_noNotificationsLabel =
      add(v->_slidingView, makeView("UILabel", CGRectMake((w - kLabelWidth) / 2, (h + kListStatusStripHeight - kLabelHeight) / 2,
                                                          kLabelWidth, kLabelHeight)));
  send<void>(v->_noNotificationsLabel, sel<"setText:">(), str("No Notifications"));
  send<void>(v->_noNotificationsLabel, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(v->_noNotificationsLabel, sel<"setTextColor:">(), colour(0.6, 1));
  send<void>(v->_noNotificationsLabel, sel<"setHidden:">(), BOOL{YES});

  v->_statusBar = add(v->_slidingView, makeView("UIView", CGRectMake(0, 0, w, kListStatusStripHeight)));
  send<void>(v->_statusBar, sel<"setBackgroundColor:">(), colour(0, 1));
  v->_topLeftCornerView = add(v->_slidingView, makeView("UIView", CGRectMake(0, kListStatusStripHeight, kCornerSize, kCornerSize)));
  v->_topRightCornerView =
      add(v->_slidingView, makeView("UIView", CGRectMake(w - kCornerSize, kListStatusStripHeight, kCornerSize, kCornerSize)));
  for (id corner : {v->_topLeftCornerView, v->_topRightCornerView}) send<void>(corner, sel<"setBackgroundColor:">(), colour(0, 1));
  v->_grabberView = add(v->_slidingView, makeView("UIView", CGRectMake((w - 36) / 2, h - 12, 36, 5)));
  send<void>(v->_grabberView, sel<"setBackgroundColor:">(), colour(0.55, 1));
  send<void>(self, sel<"setClipsToBounds:">(), BOOL{YES});
  return self;
}

id listViewInitWithFrame(id self, SEL, CGRect frame) {
  return send<id>(self, sel<"initWithFrame:delegate:">(), frame, id{nil});
}

// The sliding view's bottom edge goes to y (the list view's coordinates): at 0 the list
// is up out of sight, at the list's height it is all the way down.
void listViewPositionSlidingView(id self, SEL, CGFloat y) {
  id sliding = lv(self)->_slidingView;
  CGRect f = send<CGRect>(sliding, sel<"frame">());
  f.origin.y = y - f.size.height;
  send<void>(sliding, sel<"setFrame:">(), f);
}

void listViewSetShowsLabel(id self, SEL, BOOL shows, BOOL animated) {
  id label = lv(self)->_noNotificationsLabel;
  if (!animated) {
    send<void>(label, sel<"setAlpha:">(), CGFloat{1});
    send<void>(label, sel<"setHidden:">(), static_cast<BOOL>(shows ? NO : YES));
    return;
  }
  send<void>(label, sel<"setHidden:">(), BOOL{NO});
  send<void>(label, sel<"setAlpha:">(), CGFloat{shows ? 0.0 : 1.0});
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("SBNoNotificationsLabel"), static_cast<void*>(nullptr));
  send<void>(view, sel<"setAnimationDuration:">(), double{0.2});
  send<void>(label, sel<"setAlpha:">(), CGFloat{shows ? 1.0 : 0.0});
  send<void>(view, sel<"commitAnimations">());
}

void listViewSetCornerAlpha(id self, SEL, CGFloat alpha) {
  send<void>(lv(self)->_topLeftCornerView, sel<"setAlpha:">(), alpha);
  send<void>(lv(self)->_topRightCornerView, sel<"setAlpha:">(), alpha);
}

id listViewTableView(id self, SEL) { return lv(self)->_tableView; }
id listViewSlidingView(id self, SEL) { return lv(self)->_slidingView; }
id listViewLinenView(id self, SEL) { return lv(self)->_linenView; }
id listViewDelegate(id self, SEL) { return lv(self)->_delegate; }

// The table forgets its data source and delegate, which outlive the list view.
void listViewDealloc(id self, SEL cmd) {
  if (id table = lv(self)->_tableView) {
    send<void>(table, sel<"setDataSource:">(), id{nil});
    send<void>(table, sel<"setDelegate:">(), id{nil});
  }
  objc::sendSuper<void>(self, listViewClass(), cmd);
}

// ---- SBBulletinTableView ----

struct TableIvars : UITableViewIvars {
  id _linenView;  // not retained: the list view's linen
};

Class tableClass() { return objc::classNamed("SBBulletinTableView"); }

id tableInitWithFrameLinenView(id self, SEL, CGRect frame, id linenView) {
  self = objc::sendSuper<id>(self, tableClass(), sel<"initWithFrame:style:">(), frame, NSInteger{UITableViewStylePlain});
  if (!self) return nil;
  objc::ivars<TableIvars>(self)->_linenView = linenView;
  send<void>(self, sel<"setBackgroundColor:">(), send<id>(objc::classNamed("UIColor"), sel<"clearColor">()));
  send<void>(self, sel<"setSeparatorStyle:">(), NSInteger{0});
  return self;
}

id tableLinenView(id self, SEL) { return objc::ivars<TableIvars>(self)->_linenView; }

void tableLayoutSubviews(id self, SEL cmd) { objc::sendSuper<void>(self, tableClass(), cmd); }

// Deletions animate the rows away; the rows below close up at the next layout.
void tableDeleteRows(id self, SEL cmd, id indexPaths, NSInteger animation) {
  objc::sendSuper<void>(self, tableClass(), cmd, indexPaths, animation);
  send<void>(self, sel<"setNeedsLayout">());
}
void tableDeleteSections(id self, SEL cmd, id sections, NSInteger animation) {
  objc::sendSuper<void>(self, tableClass(), cmd, sections, animation);
  send<void>(self, sel<"setNeedsLayout">());
}

}  // namespace

void registerListViewClasses() {
  objc::ClassBuilder<TableIvars>("SBBulletinTableView", objc::classNamed("UITableView"))
      .ivar<&TableIvars::_linenView>("_linenView")
      .method<&tableInitWithFrameLinenView>("initWithFrame:linenView:")
      .method<&tableLinenView>("linenView")
      .method<&tableLayoutSubviews>("layoutSubviews")
      .method<&tableDeleteRows>("deleteRowsAtIndexPaths:withRowAnimation:")
      .method<&tableDeleteSections>("deleteSections:withRowAnimation:")
      .registerClass();
  objc::ClassBuilder<ListViewIvars>("SBBulletinListView", objc::classNamed("UIView"))
      .ivar<&ListViewIvars::_delegate>("_delegate")
      .ivar<&ListViewIvars::_slidingView>("_slidingView")
      .ivar<&ListViewIvars::_linenView>("_linenView")
      .ivar<&ListViewIvars::_tableView>("_tableView")
      .ivar<&ListViewIvars::_statusBar>("_statusBar")
      .ivar<&ListViewIvars::_grabberView>("_grabberView")
      .ivar<&ListViewIvars::_topLeftCornerView>("_topLeftCornerView")
      .ivar<&ListViewIvars::_topRightCornerView>("_topRightCornerView")
      .ivar<&ListViewIvars::_noNotificationsLabel>("_noNotificationsLabel")
      .method<&listViewInitWithFrameDelegate>("initWithFrame:delegate:")
      .method<&listViewInitWithFrame>("initWithFrame:")
      .method<&listViewPositionSlidingView>("positionSlidingViewAtY:")
      .method<&listViewSetShowsLabel>("setShowsNoNotificationsLabel:animated:")
      .method<&listViewSetCornerAlpha>("setCornerAlpha:")
      .method<&listViewTableView>("tableView")
      .method<&listViewSlidingView>("slidingView")
      .method<&listViewLinenView>("linenView")
      .method<&listViewDelegate>("delegate")
      .method<&listViewDealloc>("dealloc")
      .classMethod<&listViewLinen>("linen")
      .registerClass();
}

}  // namespace sb6::detail
