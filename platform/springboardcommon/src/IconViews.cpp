// The home screen's icon views: SBIconView (the icon's picture, name and badge) and
// SBIconViewMap, which makes one view per icon inside the home screen's icon list.
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>
#include <springboardcommon/Icons.h>

#include <objcface/Send.h>

#include <uikit/UIView.h>

#include <iterator>
#include <string>

namespace sbcommon {

using objc::sel;
using objc::send;
namespace {

constexpr CGFloat kIconWidth = 76;
constexpr CGFloat kIconHeight = 88;
constexpr int kIconsPerRow = 4;

struct SBIconViewIvars : UIViewIvars {
  id _icon;        // retained
  id _imageView;   // the icon's picture: a square of the app's colour with its initial
  id _labelView;   // UILabel with the display name, a subview
  id _badgeView;   // UILabel with the badge text, a subview, hidden without a badge
};

struct SBIconViewMapIvars : NSObjectIvars {
  id _iconViews;   // NSMutableDictionary: leaf identifier → SBIconView
  id _iconListView;  // the view that holds the icon views; not retained
};

id makeView(const char* className, CGRect frame, id parent) {
  id view = send<id>(send<id>(objc::classNamed(className), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(parent, sel<"addSubview:">(), view);
  objc::release(view);
  return view;
}

id colour(CGFloat r, CGFloat g, CGFloat b) {
  return send<id>(objc::classNamed("UIColor"), sel<"colorWithRed:green:blue:alpha:">(), r, g, b, CGFloat{1});
}

id font(CGFloat size, bool bold) {
  return send<id>(objc::classNamed("UIFont"), bold ? sel<"boldSystemFontOfSize:">() : sel<"systemFontOfSize:">(), size);
}

}  // namespace

id appIconColour(const std::string& identifier) {
  static const CGFloat kColours[][3] = {{0.30, 0.75, 0.35}, {0.20, 0.50, 0.90}, {0.95, 0.55, 0.15},
                                        {0.85, 0.25, 0.30}, {0.55, 0.35, 0.80}, {0.15, 0.65, 0.70}};
  std::size_t hash = 0;
  for (char c : identifier) hash = hash * 31 + static_cast<unsigned char>(c);
  const CGFloat* c = kColours[hash % std::size(kColours)];
  return colour(c[0], c[1], c[2]);
}

namespace {

void iconViewUpdateBadge(id self, SEL) {
  auto* v = objc::ivars<SBIconViewIvars>(self);
  id badge = send<id>(v->_icon, sel<"badgeNumberOrString">());
  send<void>(v->_badgeView, sel<"setText:">(), badge);
  send<void>(v->_badgeView, sel<"setHidden:">(), BOOL{badge == nil});
}

// The picture on top, the name under it in white, the badge (white on red) at the
// picture's top right corner.
id iconViewInitWithIcon(id self, SEL, id icon) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBIconView"), sel<"initWithFrame:">(),
                             CGRectMake(0, 0, kIconWidth, kIconHeight));
  if (!self) return nil;
  auto* v = objc::ivars<SBIconViewIvars>(self);
  v->_icon = objc::retain(icon);
  id name = send<id>(icon, sel<"displayName">());
  v->_imageView = makeView("UIView", CGRectMake(9, 6, 58, 58), self);
  send<void>(v->_imageView, sel<"setBackgroundColor:">(), appIconColour(text(send<id>(icon, sel<"leafIdentifier">()))));
  id initial = makeView("UILabel", CGRectMake(0, 0, 58, 58), v->_imageView);
  std::string letter = text(name).substr(0, 1);
  send<void>(initial, sel<"setText:">(), str(letter));
  send<void>(initial, sel<"setFont:">(), font(30, true));
  send<void>(initial, sel<"setTextColor:">(), colour(1, 1, 1));
  send<void>(initial, sel<"setTextAlignment:">(), NSInteger{1});
  v->_labelView = makeView("UILabel", CGRectMake(0, 66, kIconWidth, 16), self);
  send<void>(v->_labelView, sel<"setText:">(), name);
  send<void>(v->_labelView, sel<"setFont:">(), font(11, false));
  send<void>(v->_labelView, sel<"setTextColor:">(), colour(1, 1, 1));
  send<void>(v->_labelView, sel<"setTextAlignment:">(), NSInteger{1});
  v->_badgeView = makeView("UILabel", CGRectMake(52, 0, 24, 22), self);
  send<void>(v->_badgeView, sel<"setFont:">(), font(13, true));
  send<void>(v->_badgeView, sel<"setTextColor:">(), colour(1, 1, 1));
  send<void>(v->_badgeView, sel<"setBackgroundColor:">(), colour(0.85, 0.1, 0.1));
  send<void>(v->_badgeView, sel<"setTextAlignment:">(), NSInteger{1});
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
      .ivar<&SBIconViewIvars::_imageView>("_imageView")
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
