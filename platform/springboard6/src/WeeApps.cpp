// Notification Center's widgets: SBWeeApp (one widget: its section ID, its view and
// the view's height, and the app a tap opens) for the weather and stocks widgets of an
// iPhone, and SBWeeAppCell, the row that shows a widget and opens its app when tapped
// (_tapped:, the action of the cell's tap recogniser).
#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <springboard6/HostControl.h>

#include <uikit/UIColor.h>
#include <uikit/UITableViewCell.h>

namespace sb6::detail {
namespace {

struct StockWidget {
  const char* sectionID;
  const char* displayName;
  const char* appIdentifier;
  const char* appName;
  CGFloat viewHeight;
  const char* text;
};

constexpr StockWidget kStockWidgets[] = {
    {kWeatherWidgetID, "Weather Widget", "com.apple.weather", "Weather", 71, "Cupertino  21°  Sunny  H 24° L 12°"},
    {kStocksWidgetID, "Stocks Widget", "com.apple.stocks", "Stocks", 37, "AAPL 455.72 +1.2%   GOOG 757.13 -0.4%"},
};

// ---- SBWeeApp ----

struct WeeAppIvars : NSObjectIvars {
  id _sectionID;      // NSString
  id _displayName;    // NSString
  id _appIdentifier;  // NSString: the app a tap opens
  id _view;           // retained, made on first use
  id _text;           // NSString: what the widget shows
  CGFloat _viewHeight;
};

WeeAppIvars* wa(id self) { return objc::ivars<WeeAppIvars>(self); }

id weeAppSectionID(id self, SEL) { return wa(self)->_sectionID; }
id weeAppDisplayName(id self, SEL) { return wa(self)->_displayName; }
CGFloat weeAppViewHeight(id self, SEL) { return wa(self)->_viewHeight; }

id weeAppView(id self, SEL) {
  auto* w = wa(self);
  if (!w->_view) {
    CGFloat width = isPad() ? kPadListWidth : screenBounds().size.width;
    CGRect frame = CGRectMake(0, 0, width, w->_viewHeight);
    w->_view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
    send<void>(w->_view, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0.12, 0.9)));
    id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(),
                        CGRectInset(frame, 10, 4));
    send<void>(label, sel<"setText:">(), w->_text);
    send<void>(label, sel<"setFont:">(), send<id>(objc::classNamed("UIFont"), sel<"systemFontOfSize:">(), CGFloat{14}));
    send<void>(label, sel<"setTextColor:">(), uikit::makeColor(uikit::Color::white(1, 1)));
    send<void>(w->_view, sel<"addSubview:">(), label);
    objc::release(label);
  }
  return w->_view;
}

// Opens the widget's app (refused while the device is locked, as every opening is).
void weeAppLaunch(id self, SEL) {
  id app = send<id>(shared("SBApplicationController", sel<"sharedInstance">()), sel<"applicationWithDisplayIdentifier:">(),
                    wa(self)->_appIdentifier);
  if (app) send<void>(shared("SBUIController", sel<"sharedInstance">()), sel<"activateApplicationAnimated:">(), app);
}

void weeAppDealloc(id self, SEL cmd) {
  auto* w = wa(self);
  for (id* slot : {&w->_sectionID, &w->_displayName, &w->_appIdentifier, &w->_view, &w->_text}) clear(*slot);
  objc::sendSuper<void>(self, objc::classNamed("SBWeeApp"), cmd);
}

// ---- SBWeeAppCell ----

struct WeeAppCellIvars : UITableViewCellIvars {
  id _weeApp;         // retained
  id _tapRecognizer;  // retained, on the cell
};

WeeAppCellIvars* wc(id self) { return objc::ivars<WeeAppCellIvars>(self); }
Class weeAppCellClass() { return objc::classNamed("SBWeeAppCell"); }

id weeAppCellInit(id self, SEL cmd, NSInteger style, id reuseIdentifier) {
  self = objc::sendSuper<id>(self, weeAppCellClass(), cmd, style, reuseIdentifier);
  if (!self) return nil;
  send<void>(self, sel<"setSelectionStyle:">(), NSInteger{0});
  send<void>(self, sel<"setBackgroundColor:">(), send<id>(objc::classNamed("UIColor"), sel<"clearColor">()));
  wc(self)->_tapRecognizer = send<id>(send<id>(objc::classNamed("UITapGestureRecognizer"), sel<"alloc">()),
                                      sel<"initWithTarget:action:">(), self, sel<"_tapped:">());
  send<void>(self, sel<"addGestureRecognizer:">(), wc(self)->_tapRecognizer);
  return self;
}

id weeAppCellWeeApp(id self, SEL) { return wc(self)->_weeApp; }

void weeAppCellSetWeeApp(id self, SEL, id weeApp) {
  auto* c = wc(self);
  if (c->_weeApp == weeApp) return;
  if (c->_weeApp) send<void>(send<id>(c->_weeApp, sel<"view">()), sel<"removeFromSuperview">());
  setRetained(c->_weeApp, weeApp);
  if (weeApp) send<void>(send<id>(self, sel<"contentView">()), sel<"addSubview:">(), send<id>(weeApp, sel<"view">()));
}

// A tap opens the widget's app; when an app came to the front, the list goes up.
void weeAppCellTapped(id self, SEL, id recognizer) {
  if (recognizer && send<NSInteger>(recognizer, sel<"state">()) != 3) return;
  id weeApp = wc(self)->_weeApp;
  if (weeApp == nil) return;
  objc::Ref keep = objc::Ref::retain(self);
  id springBoard = send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">());
  id before = send<id>(springBoard, sel<"_accessibilityFrontMostApplication">());
  send<void>(weeApp, sel<"launchApp">());
  id after = send<id>(springBoard, sel<"_accessibilityFrontMostApplication">());
  if (after != nil && after != before) {
    send<void>(shared("SBBulletinListController", sel<"sharedInstance">()), sel<"hideListViewAnimated:">(), BOOL{YES});
  }
}

void weeAppCellDealloc(id self, SEL cmd) {
  auto* c = wc(self);
  if (c->_tapRecognizer) send<void>(self, sel<"removeGestureRecognizer:">(), c->_tapRecognizer);
  clear(c->_tapRecognizer);
  clear(c->_weeApp);
  objc::sendSuper<void>(self, weeAppCellClass(), cmd);
}

}  // namespace

id newStockWeeApps() {
  id list = send<id>(send<id>(objc::classNamed("NSMutableArray"), sel<"alloc">()), sel<"init">());
  if (isPad()) return list;  // iOS 6 has these widgets on phones only
  for (const StockWidget& w : kStockWidgets) {
    // The widget's app comes with the phone.
    if (!isInstalled(w.appIdentifier)) sb6::installApplication(w.appIdentifier, w.appName);
    objc::Ref weeApp = objc::Ref::adopt(newObject("SBWeeApp"));
    auto* i = wa(weeApp);
    i->_sectionID = objc::retain(str(w.sectionID));
    i->_displayName = objc::retain(str(w.displayName));
    i->_appIdentifier = objc::retain(str(w.appIdentifier));
    i->_viewHeight = w.viewHeight;
    i->_text = objc::retain(str(w.text));
    send<void>(list, sel<"addObject:">(), weeApp.get());
  }
  return list;
}

void registerWeeAppClasses() {
  objc::ClassBuilder<WeeAppIvars>("SBWeeApp", objc::NSObjectClass())
      .ivar<&WeeAppIvars::_sectionID>("_sectionID")
      .ivar<&WeeAppIvars::_displayName>("_displayName")
      .ivar<&WeeAppIvars::_appIdentifier>("_appIdentifier")
      .ivar<&WeeAppIvars::_view>("_view")
      .ivar<&WeeAppIvars::_text>("_text")
      .ivar<&WeeAppIvars::_viewHeight>("_viewHeight")
      .method<&weeAppSectionID>("sectionID")
      .method<&weeAppDisplayName>("displayName")
      .method<&weeAppViewHeight>("viewHeight")
      .method<&weeAppView>("view")
      .method<&weeAppLaunch>("launchApp")
      .method<&weeAppDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<WeeAppCellIvars>("SBWeeAppCell", objc::classNamed("UITableViewCell"))
      .ivar<&WeeAppCellIvars::_weeApp>("_weeApp")
      .ivar<&WeeAppCellIvars::_tapRecognizer>("_tapRecognizer")
      .method<&weeAppCellInit>("initWithStyle:reuseIdentifier:")
      .method<&weeAppCellWeeApp>("weeApp")
      .method<&weeAppCellSetWeeApp>("setWeeApp:")
      .method<&weeAppCellTapped>("_tapped:")
      .method<&weeAppCellDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb6::detail
