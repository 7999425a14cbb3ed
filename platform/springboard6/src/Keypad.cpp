// The passcode keypad of the lock screen, SBDeviceLockView: a title, the dots of what
// has been typed, the digit keys, Cancel and OK.  A four-digit ("simple") passcode is
// submitted by its fourth digit, a longer one by OK.  The keypad hands the typed
// passcode to its delegate (the away view), which says whether it was right.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <uikit/UIColor.h>
#include <uikit/UIKitTypes.h>
#include <uikit/UIView.h>

#include <string>

namespace sb6::detail {
namespace {

constexpr CGFloat kKeyHeight = 48;
constexpr std::size_t kSimplePasscodeLength = 4;

struct KeypadIvars : UIViewIvars {
  id _titleLabel;
  id _entryLabel;  // one dot per typed character
  id _entered;     // NSMutableString: what has been typed
  id _delegate;    // not retained: the away view
};

KeypadIvars* kp(id self) { return objc::ivars<KeypadIvars>(self); }
Class kpClass() { return objc::classNamed("SBDeviceLockView"); }

id colour(CGFloat white) { return uikit::makeColor(uikit::Color::white(white, 1)); }

id addLabel(id self, CGRect frame, const char* textValue) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(label, sel<"setText:">(), str(textValue));
  send<void>(label, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(label, sel<"setTextColor:">(), colour(1));
  send<void>(self, sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

void addKey(id self, CGRect frame, const char* title, NSInteger tag) {
  id key = send<id>(objc::classNamed("UIButton"), sel<"buttonWithType:">(), UIButtonTypeCustom);
  send<void>(key, sel<"setFrame:">(), frame);
  send<void>(key, sel<"setTitle:forState:">(), str(title), NSUInteger{0});
  send<void>(key, sel<"setTitleColor:forState:">(), colour(0.1), NSUInteger{0});
  send<void>(key, sel<"setBackgroundColor:">(), colour(0.85));
  send<void>(key, sel<"setTag:">(), tag);
  send<void>(key, sel<"addTarget:action:forControlEvents:">(), self, sel<"_keyTapped:">(), UIControlEventTouchUpInside);
  send<void>(self, sel<"addSubview:">(), key);
}

// Rows of three keys: 1 2 3 / 4 5 6 / 7 8 9 / Cancel 0 OK, under the title and the
// dots.
id keypadInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, kpClass(), cmd, frame);
  if (!self) return nil;
  auto* k = kp(self);
  send<void>(self, sel<"setBackgroundColor:">(), colour(0.15));
  k->_entered = objc::retain(send<id>(objc::classNamed("NSMutableString"), sel<"string">()));
  k->_titleLabel = addLabel(self, CGRectMake(0, 8, frame.size.width, 22), "Enter Passcode");
  k->_entryLabel = addLabel(self, CGRectMake(0, 32, frame.size.width, 22), "");
  CGFloat keyWidth = (frame.size.width - 16) / 3;
  const char* titles[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "Cancel", "0", "OK"};
  for (int i = 0; i < 12; ++i) {
    NSInteger tag = i == 9 ? kKeypadCancelTag : i == 11 ? kKeypadOKTag : i == 10 ? 0 : i + 1;
    CGRect keyFrame = CGRectMake(4 + (i % 3) * (keyWidth + 4), 60 + (i / 3) * (kKeyHeight + 2), keyWidth, kKeyHeight);
    addKey(self, keyFrame, titles[i], tag);
  }
  return self;
}

id keypadDelegate(id self, SEL) { return kp(self)->_delegate; }
void keypadSetDelegate(id self, SEL, id delegate) { kp(self)->_delegate = delegate; }
id keypadEnteredText(id self, SEL) { return objc::autorelease(send<id>(kp(self)->_entered, sel<"copy">())); }

void showDots(id self) {
  std::string dots;
  for (NSUInteger i = send<NSUInteger>(kp(self)->_entered, sel<"length">()); i > 0; --i) dots += "\xE2\x97\x8F ";
  send<void>(kp(self)->_entryLabel, sel<"setText:">(), str(dots));
}

void keypadClear(id self, SEL) {
  send<void>(kp(self)->_entered, sel<"setString:">(), str(""));
  showDots(self);
}

// A wrong passcode: what was typed goes and the title says so.
void keypadShowWrongPasscode(id self, SEL) {
  send<void>(kp(self)->_titleLabel, sel<"setText:">(), str("Wrong Passcode"));
  send<void>(self, sel<"clearEntry">());
}

void submit(id self) {
  objc::Ref keep = objc::Ref::retain(self);
  objc::Ref passcode = objc::Ref::adopt(send<id>(kp(self)->_entered, sel<"copy">()));
  send<void>(kp(self)->_delegate, sel<"deviceLockView:passcodeEntered:">(), self, passcode.get());
}

void keypadKeyTapped(id self, SEL, id key) {
  NSInteger tag = send<NSInteger>(key, sel<"tag">());
  if (tag == kKeypadCancelTag) {
    send<void>(kp(self)->_delegate, sel<"deviceLockViewPasscodeEntryCancelled:">(), self);
    return;
  }
  if (tag == kKeypadOKTag) {
    submit(self);
    return;
  }
  send<void>(kp(self)->_entered, sel<"appendString:">(), str(std::to_string(tag)));
  showDots(self);
  id lockController = shared("SBDeviceLockController", sel<"sharedController">());
  bool simple = send<BOOL>(lockController, sel<"isUsingSimplePasscode">());
  if (simple && send<NSUInteger>(kp(self)->_entered, sel<"length">()) == kSimplePasscodeLength) submit(self);
}

void keypadDealloc(id self, SEL cmd) {
  clear(kp(self)->_entered);
  objc::sendSuper<void>(self, kpClass(), cmd);
}

}  // namespace

void registerKeypadClasses() {
  objc::ClassBuilder<KeypadIvars>("SBDeviceLockView", objc::classNamed("UIView"))
      .ivar<&KeypadIvars::_titleLabel>("_titleLabel")
      .ivar<&KeypadIvars::_entryLabel>("_entryLabel")
      .ivar<&KeypadIvars::_entered>("_entered")
      .ivar<&KeypadIvars::_delegate>("_delegate")
      .method<&keypadInit>("initWithFrame:")
      .method<&keypadDelegate>("delegate")
      .method<&keypadSetDelegate>("setDelegate:")
      .method<&keypadEnteredText>("enteredText")
      .method<&keypadClear>("clearEntry")
      .method<&keypadShowWrongPasscode>("showWrongPasscode")
      .method<&keypadKeyTapped>("_keyTapped:")
      .method<&keypadDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb6::detail
