// SBBulletinListCell: a notification's row in Notification Center, made over the
// list's linen (initWithLinenView:reuseIdentifier:), with the app's or the
// notification's title, the message and its age, laid out in layoutSubviews.
#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <foundation/NSString.h>
#include <uikit/UIColor.h>
#include <uikit/UITableViewCell.h>

#include <algorithm>

namespace sb6::detail {
namespace {

constexpr CGFloat kMargin = 10;
constexpr CGFloat kDateWidth = 64;
constexpr CGFloat kTitleHeight = 20;

struct ListCellIvars : UITableViewCellIvars {
  id _linenView;  // not retained: the list's linen the cell lies over
  id _bulletin;   // retained
  id _titleLabel;
  id _messageLabel;
  id _dateLabel;
};

ListCellIvars* lc(id self) { return objc::ivars<ListCellIvars>(self); }
Class cellClass() { return objc::classNamed("SBBulletinListCell"); }

id addLabel(id cell, CGFloat size, bool bold, CGFloat white) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), CGRectZero);
  Class font = objc::classNamed("UIFont");
  send<void>(label, sel<"setFont:">(),
             bold ? send<id>(font, sel<"boldSystemFontOfSize:">(), size) : send<id>(font, sel<"systemFontOfSize:">(), size));
  send<void>(label, sel<"setTextColor:">(), uikit::makeColor(uikit::Color::white(white, 1)));
  send<void>(send<id>(cell, sel<"contentView">()), sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

// "now", "5m ago", "2h ago": the age of a notification on the process clock.
id relativeDate(id date) {
  if (date == nil) return nil;
  double age = -send<double>(date, sel<"timeIntervalSinceNow">());
  if (age < 60) return str("now");
  if (age < 3600) return ns::format("%dm ago", static_cast<int>(age / 60));
  if (age < 86400) return ns::format("%dh ago", static_cast<int>(age / 3600));
  return ns::format("%dd ago", static_cast<int>(age / 86400));
}

id cellInitWithLinenView(id self, SEL, id linenView, id reuseIdentifier) {
  self = objc::sendSuper<id>(self, cellClass(), sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, reuseIdentifier);
  if (!self) return nil;
  auto* c = lc(self);
  c->_linenView = linenView;
  c->_titleLabel = addLabel(self, 15, true, 1.0);
  c->_dateLabel = addLabel(self, 12, false, 0.7);
  send<void>(c->_dateLabel, sel<"setTextAlignment:">(), NSInteger{2});
  c->_messageLabel = addLabel(self, 14, false, 0.9);
  send<void>(c->_messageLabel, sel<"setNumberOfLines:">(), static_cast<NSInteger>(kRowMaxMessageLines));
  send<void>(self, sel<"setBackgroundColor:">(), send<id>(objc::classNamed("UIColor"), sel<"clearColor">()));
  return self;
}

void cellLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, cellClass(), cmd);
  auto* c = lc(self);
  CGRect b = send<CGRect>(send<id>(self, sel<"contentView">()), sel<"bounds">());
  CGFloat w = b.size.width;
  send<void>(c->_titleLabel, sel<"setFrame:">(), CGRectMake(kMargin, 6, std::max<CGFloat>(w - 3 * kMargin - kDateWidth, 0), kTitleHeight));
  send<void>(c->_dateLabel, sel<"setFrame:">(), CGRectMake(w - kMargin - kDateWidth, 6, kDateWidth, kTitleHeight));
  CGFloat messageTop = 6 + kTitleHeight;
  send<void>(c->_messageLabel, sel<"setFrame:">(),
             CGRectMake(kMargin, messageTop, std::max<CGFloat>(w - 2 * kMargin, 0),
                        std::max<CGFloat>(b.size.height - messageTop - 6, 0)));
}

void cellSetBulletin(id self, SEL, id bulletin) {
  auto* c = lc(self);
  setRetained(c->_bulletin, bulletin);
  id title = send<id>(bulletin, sel<"title">());
  if (title == nil && bulletin) title = str(appDisplayName(text(send<id>(bulletin, sel<"sectionID">()))));
  send<void>(c->_titleLabel, sel<"setText:">(), title);
  send<void>(c->_messageLabel, sel<"setText:">(), send<id>(bulletin, sel<"message">()));
  send<void>(c->_dateLabel, sel<"setText:">(), relativeDate(send<id>(bulletin, sel<"date">())));
}

id cellBulletin(id self, SEL) { return lc(self)->_bulletin; }
id cellLinenView(id self, SEL) { return lc(self)->_linenView; }

// The age shown is brought up to date (when the list stops scrolling).
void cellUpdateDate(id self, SEL) {
  auto* c = lc(self);
  send<void>(c->_dateLabel, sel<"setText:">(), relativeDate(send<id>(c->_bulletin, sel<"date">())));
}

void cellDealloc(id self, SEL cmd) {
  clear(lc(self)->_bulletin);
  objc::sendSuper<void>(self, cellClass(), cmd);
}

}  // namespace

CGFloat bulletinRowHeight(id bulletin) {
  std::size_t length = text(send<id>(bulletin, sel<"message">())).size();
  std::size_t lines = length == 0 ? 1 : (length + kRowCharactersPerLine - 1) / kRowCharactersPerLine;
  lines = std::min(lines, kRowMaxMessageLines);
  return kRowBaseHeight + kRowLineHeight * static_cast<CGFloat>(lines - 1);
}

void registerBulletinCellClass() {
  objc::ClassBuilder<ListCellIvars>("SBBulletinListCell", objc::classNamed("UITableViewCell"))
      .ivar<&ListCellIvars::_linenView>("_linenView")
      .ivar<&ListCellIvars::_bulletin>("_bulletin")
      .ivar<&ListCellIvars::_titleLabel>("_titleLabel")
      .ivar<&ListCellIvars::_messageLabel>("_messageLabel")
      .ivar<&ListCellIvars::_dateLabel>("_dateLabel")
      .method<&cellInitWithLinenView>("initWithLinenView:reuseIdentifier:")
      .method<&cellLayoutSubviews>("layoutSubviews")
      .method<&cellSetBulletin>("setBulletin:")
      .method<&cellBulletin>("bulletin")
      .method<&cellLinenView>("linenView")
      .method<&cellUpdateDate>("updateRelativeDate")
      .method<&cellDealloc>("dealloc")
      .registerClass();
}

void registerListCellClasses() {
  registerBulletinCellClass();
  registerHeaderViewClass();
}

}  // namespace sb6::detail
