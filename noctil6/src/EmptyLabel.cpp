#include "EmptyLabel.h"

#include "HostAccess.h"
#include "Options.h"

#include <objcface/NSObject.h>

namespace noctil6 {

using objc::sel;

hook::Slot<void(BOOL, BOOL)> gShowsNoNotificationsLabel;

namespace {

constexpr NSInteger kCenterTextAlignment = 1;

}  // namespace

void showsNoNotificationsLabelReplacement(id self, SEL cmd, BOOL shows, BOOL animated) {
  if (!options().showNoNotificationsLabel) return;
  gShowsNoNotificationsLabel(self, cmd, shows, animated);
  id text = options().noNotificationsText.get();
  if (text == nil) return;
  id label = ivarNamed(self, "_noNotificationsLabel");
  if (label == nil) return;
  ask<void>(label, sel<"setTextAlignment:">(), kCenterTextAlignment);
  CGRect frame = frameOf(label);
  frame.origin.x = 0;
  frame.size.width = frameOf(self).size.width;
  setFrame(label, frame);
  ask<void>(label, sel<"setText:">(), text);
}

}  // namespace noctil6
