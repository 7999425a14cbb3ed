#include "Background.h"

#include "Cells.h"
#include "Launch.h"
#include "Options.h"
#include "TweakController.h"

#include <corefoundation/Notify.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

namespace noctil7 {

hook::Slot<void(BOOL)> gViewWillAppear;
hook::Slot<void(BOOL)> gViewWillDisappear;

namespace {

using objc::sel;

// The picture and dimming views belong to the backdrop view they are added to; they
// are retained here as well, so a backdrop that goes away never leaves this code
// holding a freed view.  Each appearance puts them into the backdrop on screen now
// (placeInBackdrop), so a Notification Center view controller made again still
// shows the picture.  The three references live as long as the process: released
// by static destructors at exit, the views would be freed after the host's windows
// and pools are gone.
objc::Ref& gPictureView = *new objc::Ref();
objc::Ref& gDimmingView = *new objc::Ref();
objc::Ref& gBlurFilters = *new objc::Ref();
BOOL gActionMenuSuspended = NO;

id boolNumber(BOOL value) { return objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithBool:">(), value); }
id sharedMenu() { return objc::send<id>(objc_lookUpClass("UIMenuController"), sel<"sharedMenuController">()); }

id readActionMenuOptions() {
  return objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionaryWithContentsOfFile:">(),
                        nsString(kActionMenuOptionsPath));
}

void writeActionMenuEnabled(id dictionary, BOOL enabled) {
  objc::send<void>(dictionary, sel<"setObject:forKey:">(), boolNumber(enabled), nsString("AMEnabled"));
  objc::send<BOOL>(dictionary, sel<"writeToFile:atomically:">(), nsString(kActionMenuOptionsPath), BOOL{YES});
  notify_post(kActionMenuNotification);
}

BOOL actionMenuOptionsExist() {
  id manager = objc::send<id>(objc_lookUpClass("NSFileManager"), sel<"defaultManager">());
  return objc::send<BOOL>(manager, sel<"fileExistsAtPath:">(), nsString(kActionMenuOptionsPath));
}

// Switches ActionMenu off while Notification Center is shown, remembering whether
// it was on so the disappearance can switch it back.  Only a missing settings file
// is made anew: one that exists but cannot be read (damaged, or not a dictionary)
// belongs to the other add-on and is left as it is, ActionMenu untouched.
void suspendActionMenu() {
  if (!objc::send<BOOL>(sharedMenu(), sel<"respondsToSelector:">(), sel<"registerAction:title:canPerform:">())) return;
  id settings = readActionMenuOptions();
  if (settings == nil) {
    if (actionMenuOptionsExist()) return;
    settings = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
    gActionMenuSuspended = YES;
  } else {
    id enabled = objc::send<id>(settings, sel<"objectForKey:">(), nsString("AMEnabled"));
    if (enabled == nil) {
      gActionMenuSuspended = YES;
    } else {
      gActionMenuSuspended = objc::send<BOOL>(enabled, sel<"respondsToSelector:">(), sel<"boolValue">())
                                 ? objc::send<BOOL>(enabled, sel<"boolValue">())
                                 : NO;
      if (!gActionMenuSuspended) return;
    }
  }
  writeActionMenuEnabled(settings, NO);
}

// Puts a kept view into `backdrop` unless it sits there already: in front of
// everything, or just behind `inFrontOfIt` when that view is in the backdrop.
void placeInBackdrop(id view, id backdrop, id inFrontOfIt = nil) {
  if (backdrop == nil || objc::send<id>(view, sel<"superview">()) == backdrop) return;
  if (inFrontOfIt != nil && objc::send<id>(inFrontOfIt, sel<"superview">()) == backdrop)
    objc::send<void>(backdrop, sel<"insertSubview:belowSubview:">(), view, inFrontOfIt);
  else
    objc::send<void>(backdrop, sel<"addSubview:">(), view);
}

void showCustomPicture(id backdrop) {
  const Options& o = options();
  id controller = tweakController();
  objc::send<void>(controller, sel<"createCustomBGImage">());
  id picture = cachedBackgroundPicture();
  if (gPictureView) {
    objc::send<void>(gPictureView, sel<"setImage:">(), picture);
  } else {
    gPictureView = objc::Ref::adopt(
        objc::send<id>(objc::send<id>(objc_lookUpClass("UIImageView"), sel<"alloc">()), sel<"initWithImage:">(), picture));
  }
  placeInBackdrop(gPictureView, backdrop, gDimmingView);
  objc::send<void>(gPictureView, sel<"setAlpha:">(), CGFloat{o.bgImageAlpha});
  id layer = objc::send<id>(gPictureView, sel<"layer">());
  if (o.bgImageBlurValue > 0) {
    if (!gBlurFilters) {
      id filter = objc::send<id>(objc_lookUpClass("CAFilter"), sel<"filterWithType:">(), nsString("gaussianBlur"));
      id radius = objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithFloat:">(),
                                 static_cast<float>(o.bgImageBlurValue));
      objc::send<void>(filter, sel<"setValue:forKey:">(), radius, nsString("inputRadius"));
      objc::send<void>(filter, sel<"setValue:forKey:">(), boolNumber(YES), nsString("inputHardEdges"));
      gBlurFilters = objc::Ref::retain(objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), filter));
    }
    objc::send<void>(layer, sel<"setFilters:">(), gBlurFilters.get());
    objc::send<void>(layer, sel<"setShouldRasterize:">(), BOOL{YES});
  } else {
    objc::send<void>(layer, sel<"setFilters:">(), id{nil});
  }
  if (!gDimmingView) {
    id screen = objc::send<id>(objc_lookUpClass("UIScreen"), sel<"mainScreen">());
    CGRect bounds = objc::send<CGRect>(screen, sel<"bounds">());
    gDimmingView =
        objc::Ref::adopt(objc::send<id>(objc::send<id>(objc_lookUpClass("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds));
    objc::send<void>(gDimmingView, sel<"setBackgroundColor:">(),
                     objc::send<id>(objc_lookUpClass("UIColor"), sel<"blackColor">()));
  }
  placeInBackdrop(gDimmingView, backdrop);
  objc::send<void>(gDimmingView, sel<"setAlpha:">(), CGFloat{o.bgImageGrayscaleValue});
}

void applyBackdropSettings(id settings) {
  if (gPictureView) {
    objc::send<void>(gPictureView, sel<"removeFromSuperview">());
    gPictureView.reset();
  }
  if (gDimmingView) {
    objc::send<void>(gDimmingView, sel<"removeFromSuperview">());
    gDimmingView.reset();
  }
  const Options& o = options();
  if (o.bgSettingsEnabled) {
    objc::send<void>(settings, sel<"setGrayscaleTintAlpha:">(), CGFloat{o.grayscaleValue});
    objc::send<void>(settings, sel<"setBlurRadius:">(), CGFloat{o.blurValue});
    objc::send<void>(settings, sel<"setColorTint:">(), objc::send<id>(tweakController(), sel<"getTintColor">()));
    objc::send<void>(settings, sel<"setColorTintAlpha:">(), CGFloat{o.colorTintAlpha});
  } else {
    objc::send<void>(settings, sel<"setBlurRadius:">(), CGFloat{20.0});
    objc::send<void>(settings, sel<"setGrayscaleTintAlpha:">(), CGFloat{0.73});
    objc::send<void>(settings, sel<"setColorTint:">(), id{nil});
    objc::send<void>(settings, sel<"setColorTintAlpha:">(), CGFloat{0.0});
  }
}

}  // namespace

void notificationCenterWillAppear(id self, SEL cmd, BOOL animated) {
  gViewWillAppear(self, cmd, animated);
  objc::AutoreleasePool pool;
  suspendActionMenu();
  id backdrop = objc::objectIvar(self, "_backgroundView");
  id settings = objc::send<id>(backdrop, sel<"inputSettings">());
  if (objc::send<BOOL>(tweakController(), sel<"bgImageEnabled">()))
    showCustomPicture(backdrop);
  else
    applyBackdropSettings(settings);
  objc::send<void>(backdrop, sel<"transitionToSettings:">(), settings);
}

void notificationCenterWillDisappear(id self, SEL cmd, BOOL animated) {
  gViewWillDisappear(self, cmd, animated);
  objc::AutoreleasePool pool;
  objc::send<void>(sharedMenu(), sel<"setMenuVisible:animated:">(), BOOL{NO}, BOOL{YES});
  if (gActionMenuSuspended) {
    id settings = readActionMenuOptions();
    if (settings != nil) {
      objc::send<void>(settings, sel<"setObject:forKey:">(), boolNumber(YES), nsString("AMEnabled"));
      objc::send<BOOL>(settings, sel<"writeToFile:atomically:">(), nsString(kActionMenuOptionsPath), BOOL{YES});
    }
    notify_post(kActionMenuNotification);
    gActionMenuSuspended = NO;
  }
}

void forgetBlurFilters() { gBlurFilters.reset(); }
BOOL actionMenuSuspended() { return gActionMenuSuspended; }

void resetBackgroundState() {
  gPictureView.reset();
  gDimmingView.reset();
  gBlurFilters.reset();
  gActionMenuSuspended = NO;
}

}  // namespace noctil7
