#include <uikit/UILabel.h>
#include <uikit/UIImageView.h>
#include <uikit/UITableViewCell.h>

#include "FoundationGlue.h"
#include "TableInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UITableViewCellIvars* C(id cell) { return reinterpret_cast<UITableViewCellIvars*>(cell); }

constexpr CGFloat kCellMargin = 15.0;

id cellInitWithStyle(id self, SEL, NSInteger style, id reuseIdentifier) {
  self = objc::sendSuper<id>(self, UITableViewCellClass(), sel<"initWithFrame:">(), CGRectMake(0, 0, 320, 44));
  if (self == nil) return nil;
  UITableViewCellIvars* c = C(self);
  c->_style = style;
  c->_selectionStyle = 1;  // blue
  c->_reuseIdentifier = detail::copyString(reuseIdentifier);
  c->_contentView = objc::allocInit(UIViewClass());
  send<void>(c->_contentView, sel<"setFrame:">(), viewBounds(self));
  send<void>(c->_contentView, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  send<void>(c->_contentView, sel<"setOpaque:">(), static_cast<BOOL>(NO));
  send<void>(self, sel<"addSubview:">(), c->_contentView);
  return self;
}

id cellInitWithFrameReuse(id self, SEL, CGRect frame, id reuseIdentifier) {
  self = send<id>(self, sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, reuseIdentifier);
  if (self != nil) send<void>(self, sel<"setFrame:">(), frame);
  return self;
}

id cellInitWithFrame(id self, SEL, CGRect frame) {
  return cellInitWithFrameReuse(self, nullptr, frame, nil);
}

void cellDealloc(id self, SEL cmd) {
  UITableViewCellIvars* c = C(self);
  for (id* slot : {&c->_reuseIdentifier, &c->_contentView, &c->_backgroundView, &c->_selectedBackgroundView,
                   &c->_textLabel, &c->_detailTextLabel, &c->_imageView, &c->_accessoryView}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, UITableViewCellClass(), cmd);
}

id cellReuseIdentifier(id self, SEL) { return C(self)->_reuseIdentifier; }
id cellContentView(id self, SEL) { return C(self)->_contentView; }

// Replaces one of the views behind the content view, keeping them in order:
// background, selected background, content.
void placeBehind(id self, id& slot, id view, bool show) {
  if (slot == view) return;
  if (slot != nil) {
    if (detail::viewIvars(slot)->_superview == self) send<void>(slot, sel<"removeFromSuperview">());
    objc::release(slot);
  }
  slot = objc::retain(view);
  if (view == nil) return;
  send<void>(view, sel<"setFrame:">(), viewBounds(self));
  if (show) send<void>(self, sel<"insertSubview:belowSubview:">(), view, C(self)->_contentView);
}

id cellBackgroundView(id self, SEL) { return C(self)->_backgroundView; }
void cellSetBackgroundView(id self, SEL, id view) {
  placeBehind(self, C(self)->_backgroundView, view, true);
  if (view != nil) send<void>(self, sel<"sendSubviewToBack:">(), view);
}

bool showsSelectedBackground(id self) { return C(self)->_selected || C(self)->_highlighted; }

id cellSelectedBackgroundView(id self, SEL) { return C(self)->_selectedBackgroundView; }
void cellSetSelectedBackgroundView(id self, SEL, id view) {
  placeBehind(self, C(self)->_selectedBackgroundView, view, showsSelectedBackground(self));
}

void updateSelectedBackground(id self) {
  id view = C(self)->_selectedBackgroundView;
  if (view == nil) return;
  bool shown = detail::viewIvars(view)->_superview == self;
  if (showsSelectedBackground(self) && !shown) {
    send<void>(view, sel<"setFrame:">(), viewBounds(self));
    send<void>(self, sel<"insertSubview:belowSubview:">(), view, C(self)->_contentView);
  } else if (!showsSelectedBackground(self) && shown) {
    send<void>(view, sel<"removeFromSuperview">());
  }
}

id makeLabel(id self, id& slot) {
  if (slot == nil) {
    slot = objc::allocInit(UILabelClass());
    send<void>(slot, sel<"setBackgroundColor:">(), static_cast<id>(nil));
    send<void>(C(self)->_contentView, sel<"addSubview:">(), slot);
    detail::viewIvars(self)->_needsLayout = YES;
  }
  return slot;
}

id cellTextLabel(id self, SEL) { return makeLabel(self, C(self)->_textLabel); }
id cellDetailTextLabel(id self, SEL) {
  if (C(self)->_style == 0) return nil;  // the default style has no detail label
  return makeLabel(self, C(self)->_detailTextLabel);
}
id cellImageView(id self, SEL) {
  if (C(self)->_imageView == nil) {
    C(self)->_imageView = objc::allocInit(UIImageViewClass());
    send<void>(C(self)->_contentView, sel<"addSubview:">(), C(self)->_imageView);
  }
  return C(self)->_imageView;
}

NSInteger cellAccessoryType(id self, SEL) { return C(self)->_accessoryType; }
void cellSetAccessoryType(id self, SEL, NSInteger t) { C(self)->_accessoryType = t; }
id cellAccessoryView(id self, SEL) { return C(self)->_accessoryView; }
void cellSetAccessoryView(id self, SEL, id view) {
  if (C(self)->_accessoryView == view) return;
  if (C(self)->_accessoryView) {
    send<void>(C(self)->_accessoryView, sel<"removeFromSuperview">());
    objc::release(C(self)->_accessoryView);
  }
  C(self)->_accessoryView = objc::retain(view);
  if (view) send<void>(self, sel<"addSubview:">(), view);
  detail::viewIvars(self)->_needsLayout = YES;
}
NSInteger cellSelectionStyle(id self, SEL) { return C(self)->_selectionStyle; }
void cellSetSelectionStyle(id self, SEL, NSInteger s) { C(self)->_selectionStyle = s; }

BOOL cellSelected(id self, SEL) { return C(self)->_selected; }
void cellSetSelected(id self, SEL, BOOL selected) {
  send<void>(self, sel<"setSelected:animated:">(), selected, static_cast<BOOL>(NO));
}
void cellSetSelectedAnimated(id self, SEL, BOOL selected, BOOL) {
  C(self)->_selected = selected ? YES : NO;
  for (id label : {C(self)->_textLabel, C(self)->_detailTextLabel})
    if (label) send<void>(label, sel<"setHighlighted:">(), static_cast<BOOL>(selected || C(self)->_highlighted));
  updateSelectedBackground(self);
}
BOOL cellHighlighted(id self, SEL) { return C(self)->_highlighted; }
void cellSetHighlighted(id self, SEL, BOOL on) {
  send<void>(self, sel<"setHighlighted:animated:">(), on, static_cast<BOOL>(NO));
}
void cellSetHighlightedAnimated(id self, SEL, BOOL on, BOOL) {
  C(self)->_highlighted = on ? YES : NO;
  for (id label : {C(self)->_textLabel, C(self)->_detailTextLabel})
    if (label) send<void>(label, sel<"setHighlighted:">(), static_cast<BOOL>(on || C(self)->_selected));
  updateSelectedBackground(self);
}
BOOL cellEditing(id self, SEL) { return C(self)->_editing; }
void cellSetEditing(id self, SEL, BOOL on) { C(self)->_editing = on ? YES : NO; }
void cellSetEditingAnimated(id self, SEL, BOOL on, BOOL) { C(self)->_editing = on ? YES : NO; }

void cellPrepareForReuse(id self, SEL) {
  send<void>(self, sel<"setSelected:animated:">(), static_cast<BOOL>(NO), static_cast<BOOL>(NO));
  send<void>(self, sel<"setHighlighted:animated:">(), static_cast<BOOL>(NO), static_cast<BOOL>(NO));
  C(self)->_editing = NO;
}

id cellTableView(id self, SEL) { return C(self)->_tableView; }

BOOL cellCanPerformAction(id self, SEL cmd, SEL action, id sender) {
  id table = C(self)->_tableView;
  id delegate = table ? send<id>(table, sel<"delegate">()) : nil;
  SEL ask = sel<"tableView:canPerformAction:forRowAtIndexPath:withSender:">();
  if (delegate != nil && send<BOOL>(delegate, sel<"respondsToSelector:">(), ask)) {
    id indexPath = send<id>(table, sel<"indexPathForCell:">(), self);
    if (indexPath != nil) return send<BOOL>(delegate, ask, table, action, indexPath, sender);
  }
  return objc::sendSuper<BOOL>(self, UITableViewCellClass(), cmd, action, sender);
}

// Content fills the cell (less an accessory view); labels sit inside the margins,
// the detail label of the subtitle style under the text label, of the value styles
// on the right.
void cellLayoutSubviews(id self, SEL) {
  UITableViewCellIvars* c = C(self);
  CGRect b = viewBounds(self);
  CGFloat contentWidth = b.size.width;
  if (c->_accessoryView) {
    CGRect a = detail::viewIvars(c->_accessoryView)->_frame;
    contentWidth -= a.size.width + kCellMargin;
    send<void>(c->_accessoryView, sel<"setFrame:">(),
               CGRectMake(b.size.width - kCellMargin - a.size.width, (b.size.height - a.size.height) / 2, a.size.width,
                          a.size.height));
  }
  send<void>(c->_contentView, sel<"setFrame:">(), CGRectMake(0, 0, contentWidth, b.size.height));
  for (id v : {c->_backgroundView, c->_selectedBackgroundView})
    if (v && detail::viewIvars(v)->_superview == self) send<void>(v, sel<"setFrame:">(), b);
  CGFloat x = kCellMargin;
  if (c->_imageView) {
    CGSize size = send<CGSize>(c->_imageView, sel<"sizeThatFits:">(), b.size);
    send<void>(c->_imageView, sel<"setFrame:">(),
               CGRectMake(x, (b.size.height - size.height) / 2, size.width, size.height));
    if (size.width > 0) x += size.width + kCellMargin;
  }
  CGFloat width = std::max<CGFloat>(0, contentWidth - x - kCellMargin);
  if (c->_style == 3 && c->_detailTextLabel) {
    send<void>(c->_textLabel ? c->_textLabel : cellTextLabel(self, nullptr), sel<"setFrame:">(),
               CGRectMake(x, 0, width, b.size.height * 0.55));
    send<void>(c->_detailTextLabel, sel<"setFrame:">(),
               CGRectMake(x, b.size.height * 0.55, width, b.size.height * 0.45));
    return;
  }
  if (c->_textLabel) send<void>(c->_textLabel, sel<"setFrame:">(), CGRectMake(x, 0, width, b.size.height));
  if (c->_detailTextLabel)
    send<void>(c->_detailTextLabel, sel<"setFrame:">(), CGRectMake(x + width / 2, 0, width / 2, b.size.height));
}

}  // namespace

id cellTextLabelIfMade(id cell) { return cell ? C(cell)->_textLabel : nil; }

Class UITableViewCellClass() {
  using I = UITableViewCellIvars;
  static const Class cls = detail::addCellSwipeDeleteMethods(objc::ClassBuilder<I>("UITableViewCell", UIViewClass())
                               .ivar<&I::_reuseIdentifier>("_reuseIdentifier")
                               .ivar<&I::_contentView>("_contentView")
                               .ivar<&I::_backgroundView>("_backgroundView")
                               .ivar<&I::_selectedBackgroundView>("_selectedBackgroundView")
                               .ivar<&I::_textLabel>("_textLabel")
                               .ivar<&I::_detailTextLabel>("_detailTextLabel")
                               .ivar<&I::_imageView>("_imageView")
                               .ivar<&I::_accessoryView>("_accessoryView")
                               .ivar<&I::_tableView>("_tableView")
                               .ivar<&I::_style>("_style")
                               .ivar<&I::_selectionStyle>("_selectionStyle")
                               .ivar<&I::_accessoryType>("_accessoryType")
                               .ivar<&I::_selected>("_selected")
                               .ivar<&I::_highlighted>("_highlighted")
                               .ivar<&I::_editing>("_editing")
                               .method<&cellInitWithStyle>("initWithStyle:reuseIdentifier:")
                               .method<&cellInitWithFrameReuse>("initWithFrame:reuseIdentifier:")
                               .method<&cellInitWithFrame>("initWithFrame:")
                               .method<&cellDealloc>("dealloc")
                               .method<&cellReuseIdentifier>("reuseIdentifier")
                               .method<&cellContentView>("contentView")
                               .method<&cellBackgroundView>("backgroundView")
                               .method<&cellSetBackgroundView>("setBackgroundView:")
                               .method<&cellSelectedBackgroundView>("selectedBackgroundView")
                               .method<&cellSetSelectedBackgroundView>("setSelectedBackgroundView:")
                               .method<&cellTextLabel>("textLabel")
                               .method<&cellDetailTextLabel>("detailTextLabel")
                               .method<&cellImageView>("imageView")
                               .method<&cellAccessoryType>("accessoryType")
                               .method<&cellSetAccessoryType>("setAccessoryType:")
                               .method<&cellAccessoryView>("accessoryView")
                               .method<&cellSetAccessoryView>("setAccessoryView:")
                               .method<&cellSelectionStyle>("selectionStyle")
                               .method<&cellSetSelectionStyle>("setSelectionStyle:")
                               .method<&cellSelected>("isSelected")
                               .method<&cellSelected>("selected")
                               .method<&cellSetSelected>("setSelected:")
                               .method<&cellSetSelectedAnimated>("setSelected:animated:")
                               .method<&cellHighlighted>("isHighlighted")
                               .method<&cellHighlighted>("highlighted")
                               .method<&cellSetHighlighted>("setHighlighted:")
                               .method<&cellSetHighlightedAnimated>("setHighlighted:animated:")
                               .method<&cellEditing>("isEditing")
                               .method<&cellSetEditing>("setEditing:")
                               .method<&cellSetEditingAnimated>("setEditing:animated:")
                               .method<&cellPrepareForReuse>("prepareForReuse")
                               .method<&cellTableView>("_tableView")
                               .method<&cellCanPerformAction>("canPerformAction:withSender:")
                               .method<&cellLayoutSubviews>("layoutSubviews"))
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUITableViewCellAtLoad = UITableViewCellClass();

}  // namespace uikit
