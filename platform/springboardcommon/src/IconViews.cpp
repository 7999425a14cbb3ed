// The home screen's icon views: SBIconView (the icon's name and its badge) and
// SBIconViewMap, which makes one view per icon inside the home screen's icon list.
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>
#include <springboardcommon/Icons.h>

#include <objcface/Send.h>

#include <uikit/UIView.h>

namespace sbcommon {

using objc::sel;
using objc::send;
namespace {

constexpr CGFloat kIconWidth = 76;
constexpr CGFloat kIconHeight = 88;
constexpr int kIconsPerRow = 4;

struct SBIconViewIvars : UIViewIvars {
  id _icon;        // retained
  id _labelView;   // UILabel with the display name, a subview
  id _badgeView;   // UILabel with the badge text, a subview, hidden without a badge
};

struct SBIconViewMapIvars : NSObjectIvars {
  id _iconViews;   // NSMutableDictionary: leaf identifier → SBIconView
  id _iconListView;  // the view that holds the icon views; not retained
};

id makeLabel(CGRect frame) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  return objc::autorelease(label);
}

void iconViewUpdateBadge(id self, SEL) {
  auto* v = objc::ivars<SBIconViewIvars>(self);
  id badge = send<id>(v->_icon, sel<"badgeNumberOrString">());
  send<void>(v->_badgeView, sel<"setText:">(), badge);
  send<void>(v->_badgeView, sel<"setHidden:">(), BOOL{badge == nil});
}

id iconViewInitWithIcon(id self, SEL, id icon) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBIconView"), sel<"initWithFrame:">(),
                             CGRectMake(0, 0, kIconWidth, kIconHeight));
  if (!self) return nil;
  auto* v = objc::ivars<SBIconViewIvars>(self);
  v->_icon = objc::retain(icon);
  v->_labelView = makeLabel(CGRectMake(0, 66, kIconWidth, 16));
  send<void>(v->_labelView, sel<"setText:">(), send<id>(icon, sel<"displayName">()));
  send<void>(v->_labelView, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(self, sel<"addSubview:">(), v->_labelView);
  v->_badgeView = makeLabel(CGRectMake(50, 0, 26, 24));
  send<void>(v->_badgeView, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(self, sel<"addSubview:">(), v->_badgeView);
  iconViewUpdateBadge(self, nullptr);
  return self;
}

id iconViewIcon(id self, SEL) { return objc::ivars<SBIconViewIvars>(self)->_icon; }

void iconViewDealloc(id self, SEL cmd) {
  clear(objc::ivars<SBIconViewIvars>(self)->_icon);
  objc::sendSuper<void>(self, objc::classNamed("SBIconView"), cmd);
}

id mapInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBIconViewMap"), cmd);
  if (self) objc::ivars<SBIconViewMapIvars>(self)->_iconViews = objc::retain(mutableDictionary());
  return self;
}

id mapIconModel(id, SEL) { return send<id>(objc::classNamed("SBIconModel"), sel<"sharedInstance">()); }

id mapMappedIconView(id self, SEL, id icon) {
  if (!icon) return nil;
  return send<id>(objc::ivars<SBIconViewMapIvars>(self)->_iconViews, sel<"objectForKey:">(),
                  send<id>(icon, sel<"leafIdentifier">()));
}

// The view of an icon, made on first use and placed in the icon list.
id mapIconView(id self, SEL, id icon) {
  if (!icon) return nil;
  if (id existing = mapMappedIconView(self, nullptr, icon)) return existing;
  auto* map = objc::ivars<SBIconViewMapIvars>(self);
  objc::Ref view = objc::Ref::adopt(
      send<id>(send<id>(objc::classNamed("SBIconView"), sel<"alloc">()), sel<"initWithIcon:">(), icon));
  NSUInteger index = count(map->_iconViews);
  CGFloat x = 8 + static_cast<CGFloat>(index % kIconsPerRow) * kIconWidth;
  CGFloat y = 28 + static_cast<CGFloat>(index / kIconsPerRow) * kIconHeight;
  send<void>(view, sel<"setFrame:">(), CGRectMake(x, y, kIconWidth, kIconHeight));
  send<void>(map->_iconViews, sel<"setObject:forKey:">(), view.get(), send<id>(icon, sel<"leafIdentifier">()));
  if (map->_iconListView) send<void>(map->_iconListView, sel<"addSubview:">(), view.get());
  return view.get();
}

// The home screen gives the map the view its icons live in, and gets a view for every
// icon of the model.
void mapSetIconListView(id self, SEL, id listView) {
  auto* map = objc::ivars<SBIconViewMapIvars>(self);
  map->_iconListView = listView;
  for (id view : elements(send<id>(map->_iconViews, sel<"allValues">()))) send<void>(listView, sel<"addSubview:">(), view);
  for (id icon : elements(send<id>(mapIconModel(self, nullptr), sel<"leafIcons">()))) mapIconView(self, nullptr, icon);
}

void mapIconBadgeDidChange(id self, SEL, id icon) {
  if (id view = mapMappedIconView(self, nullptr, icon)) send<void>(view, sel<"updateBadge">());
  else if (objc::ivars<SBIconViewMapIvars>(self)->_iconListView) mapIconView(self, nullptr, icon);
}

void mapDealloc(id self, SEL cmd) {
  clear(objc::ivars<SBIconViewMapIvars>(self)->_iconViews);
  objc::sendSuper<void>(self, objc::classNamed("SBIconViewMap"), cmd);
}

id mapHomescreen(id, SEL) {
  id& slot = sharedSlot("SBIconViewMap");
  if (!slot) slot = newObject("SBIconViewMap");
  return slot;
}

}  // namespace

void registerIconViewClasses() {
  objc::ClassBuilder<SBIconViewIvars>("SBIconView", objc::classNamed("UIView"))
      .ivar<&SBIconViewIvars::_icon>("_icon")
      .ivar<&SBIconViewIvars::_labelView>("_labelView")
      .ivar<&SBIconViewIvars::_badgeView>("_badgeView")
      .method<&iconViewInitWithIcon>("initWithIcon:")
      .method<&iconViewIcon>("icon")
      .method<&iconViewUpdateBadge>("updateBadge")
      .method<&iconViewDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<SBIconViewMapIvars>("SBIconViewMap", objc::NSObjectClass())
      .ivar<&SBIconViewMapIvars::_iconViews>("_iconViews")
      .ivar<&SBIconViewMapIvars::_iconListView>("_iconListView")
      .method<&mapInit>("init")
      .method<&mapIconModel>("iconModel")
      .method<&mapIconView>("iconViewForIcon:")
      .method<&mapMappedIconView>("mappedIconViewForIcon:")
      .method<&mapSetIconListView>("setIconListView:")
      .method<&mapIconBadgeDidChange>("_iconBadgeDidChange:")
      .method<&mapDealloc>("dealloc")
      .classMethod<&mapHomescreen>("homescreenMap")
      .registerClass();
}

}  // namespace sbcommon
