#include "CellBack.h"

#include "BackgroundOptions.h"

#include <objcface/NSObject.h>
#include <uikit/UIKitTypes.h>

namespace noctil6 {

using objc::sel;

hook::Slot<id(id, id)> gCellInit;
hook::Slot<void()> gCellLayoutSubviews;

void addCellBackView(id cell) {
  const float alpha = background::cellBackAlpha();
  if (cell == nil || alpha == 0) return;
  id back = ask(cell, sel<"backgroundView">());
  if (back == nil) {
    objc::Ref made = objc::Ref::adopt(objc::send<id>(objc::send<id>(classObject("UIView"), sel<"alloc">()),
                                                     sel<"initWithFrame:">(), frameOf(cell)));
    objc::send<void>(made, sel<"setTag:">(), kCellBackTag);
    objc::send<void>(made, sel<"setAutoresizingMask:">(), UIViewAutoresizing{UIViewAutoresizingFlexibleWidth});
    objc::send<void>(cell, sel<"insertSubview:atIndex:">(), made.get(), NSInteger{0});
    back = made.get();
  }
  objc::send<void>(back, sel<"setBackgroundColor:">(),
                   objc::send<id>(classObject("UIColor"), sel<"colorWithWhite:alpha:">(), CGFloat{0},
                                  static_cast<CGFloat>(alpha)));
}

id cellInitReplacement(id self, SEL cmd, id linenView, id reuseIdentifier) {
  self = gCellInit(self, cmd, linenView, reuseIdentifier);
  if (self == nil) return nil;
  addCellBackView(self);
  installCellSwipe(self);
  return self;
}

void cellLayoutSubviewsReplacement(id self, SEL cmd) {
  // Installed in place: a host whose cell only inherits layoutSubviews would send
  // every view here, so only list cells are touched.
  if (isKindOfClassNamed(self, "SBBulletinListCell") && background::cellBackAlpha() != 0) {
    if (id back = objc::send<id>(self, sel<"viewWithTag:">(), kCellBackTag)) {
      CGRect frame = frameOf(back);
      frame.size.height = frameOf(self).size.height;
      setFrame(back, frame);
    }
  }
  gCellLayoutSubviews(self, cmd);
}

}  // namespace noctil6
