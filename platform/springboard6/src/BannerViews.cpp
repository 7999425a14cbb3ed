// The pieces of a banner: SBBulletinBannerItem (what a banner shows of one
// notification), SBBulletinBannerView (the banner itself: the title and the message
// on a dark strip) and SBBannerAndShadowView (the view that carries the banner, its
// _banner, into the banner window).
#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <uikit/UIColor.h>
#include <uikit/UIKitTypes.h>
#include <uikit/UIView.h>

#include <algorithm>

namespace sb6::detail {
namespace {

constexpr CGFloat kMargin = 10;
constexpr CGFloat kLineHeight = 18;

// ---- SBBulletinBannerItem ----

struct ItemIvars : NSObjectIvars {
  id _seedBulletin;  // retained BBBulletin
};

id itemInitWithSeedBulletin(id self, SEL, id bulletin) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBBulletinBannerItem"), sel<"init">());
  if (self) objc::ivars<ItemIvars>(self)->_seedBulletin = objc::retain(bulletin);
  return self;
}

id itemSeedBulletin(id self, SEL) { return objc::ivars<ItemIvars>(self)->_seedBulletin; }

// The notification's title, else its app's name.
id itemTitle(id self, SEL) {
  id bulletin = objc::ivars<ItemIvars>(self)->_seedBulletin;
  id title = send<id>(bulletin, sel<"title">());
  return title ? title : str(appDisplayName(text(send<id>(bulletin, sel<"sectionID">()))));
}

id itemMessage(id self, SEL) { return send<id>(objc::ivars<ItemIvars>(self)->_seedBulletin, sel<"message">()); }

void itemDealloc(id self, SEL cmd) {
  clear(objc::ivars<ItemIvars>(self)->_seedBulletin);
  objc::sendSuper<void>(self, objc::classNamed("SBBulletinBannerItem"), cmd);
}

// ---- SBBulletinBannerView ----

struct BannerViewIvars : UIViewIvars {
  id _item;          // retained SBBulletinBannerItem
  id _titleLabel;    // subview
  id _messageLabel;  // subview
};

BannerViewIvars* bv(id self) { return objc::ivars<BannerViewIvars>(self); }
Class bannerViewClass() { return objc::classNamed("SBBulletinBannerView"); }

id addLabel(id view, bool bold) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), CGRectZero);
  Class font = objc::classNamed("UIFont");
  send<void>(label, sel<"setFont:">(),
             bold ? send<id>(font, sel<"boldSystemFontOfSize:">(), CGFloat{14}) : send<id>(font, sel<"systemFontOfSize:">(), CGFloat{14}));
  send<void>(label, sel<"setTextColor:">(), uikit::makeColor(uikit::Color::white(1, 1)));
  send<void>(view, sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

id bannerViewInitWithItem(id self, SEL, id item) {
  CGRect screen = screenBounds();
  self = objc::sendSuper<id>(self, bannerViewClass(), sel<"initWithFrame:">(),
                             CGRectMake(0, 0, screen.size.width, kBannerHeight));
  if (!self) return nil;
  auto* v = bv(self);
  v->_item = objc::retain(item);
  send<void>(self, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0.05, 0.95)));
  v->_titleLabel = addLabel(self, true);
  send<void>(v->_titleLabel, sel<"setText:">(), send<id>(item, sel<"title">()));
  v->_messageLabel = addLabel(self, false);
  send<void>(v->_messageLabel, sel<"setText:">(), send<id>(item, sel<"message">()));
  return self;
}

void bannerViewLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, bannerViewClass(), cmd);
  CGRect b = send<CGRect>(self, sel<"bounds">());
  CGFloat w = std::max<CGFloat>(b.size.width - 2 * kMargin, 0);
  CGFloat top = std::max<CGFloat>((b.size.height - 2 * kLineHeight) / 2, 0);
  send<void>(bv(self)->_titleLabel, sel<"setFrame:">(), CGRectMake(kMargin, top, w, kLineHeight));
  send<void>(bv(self)->_messageLabel, sel<"setFrame:">(), CGRectMake(kMargin, top + kLineHeight, w, kLineHeight));
}

id bannerViewItem(id self, SEL) { return bv(self)->_item; }

void bannerViewDealloc(id self, SEL cmd) {
  clear(bv(self)->_item);
  objc::sendSuper<void>(self, bannerViewClass(), cmd);
}

// ---- SBBannerAndShadowView ----

struct BannerAndShadowIvars : UIViewIvars {
  id _banner;  // subview: the banner view
};

id bannerAndShadowInitWithBanner(id self, SEL, id banner) {
  CGRect frame = send<CGRect>(banner, sel<"frame">());
  self = objc::sendSuper<id>(self, objc::classNamed("SBBannerAndShadowView"), sel<"initWithFrame:">(), frame);
  if (!self) return nil;
  objc::ivars<BannerAndShadowIvars>(self)->_banner = banner;
  send<void>(banner, sel<"setFrame:">(), CGRectMake(0, 0, frame.size.width, frame.size.height));
  send<void>(banner, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  send<void>(self, sel<"addSubview:">(), banner);
  return self;
}

id bannerAndShadowBanner(id self, SEL) { return objc::ivars<BannerAndShadowIvars>(self)->_banner; }

}  // namespace

void registerBannerViewClasses() {
  objc::ClassBuilder<ItemIvars>("SBBulletinBannerItem", objc::NSObjectClass())
      .ivar<&ItemIvars::_seedBulletin>("_seedBulletin")
      .method<&itemInitWithSeedBulletin>("initWithSeedBulletin:")
      .method<&itemSeedBulletin>("seedBulletin")
      .method<&itemTitle>("title")
      .method<&itemMessage>("message")
      .method<&itemDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<BannerViewIvars>("SBBulletinBannerView", objc::classNamed("UIView"))
      .ivar<&BannerViewIvars::_item>("_item")
      .ivar<&BannerViewIvars::_titleLabel>("_titleLabel")
      .ivar<&BannerViewIvars::_messageLabel>("_messageLabel")
      .method<&bannerViewInitWithItem>("initWithItem:")
      .method<&bannerViewLayoutSubviews>("layoutSubviews")
      .method<&bannerViewItem>("item")
      .method<&bannerViewDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<BannerAndShadowIvars>("SBBannerAndShadowView", objc::classNamed("UIView"))
      .ivar<&BannerAndShadowIvars::_banner>("_banner")
      .method<&bannerAndShadowInitWithBanner>("initWithBanner:")
      .method<&bannerAndShadowBanner>("banner")
      .registerClass();
}

void registerBannerClasses() {
  registerBannerViewClasses();
  registerBannerControllerClasses();
}

}  // namespace sb6::detail
