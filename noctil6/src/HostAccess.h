// How the iOS 6 tweak reaches SpringBoard: the host's shared objects by class name,
// messages that do nothing when the receiver does not answer them, the lock context,
// views found by their description, and UIView animation blocks.  Every host object
// is looked up afresh at each use; nothing here is cached.
#pragma once

#include <objcface/Send.h>

#include <type_traits>

namespace noctil6 {

// An autoreleased NSString from UTF-8.
id nsString(const char* utf8);

// The class of that name, as an object to send class messages to; nil when missing.
id classObject(const char* className);

// Whether the receiver answers the selector (NO for nil).
BOOL answers(id receiver, SEL selector);

// Sends the message when the receiver answers it; otherwise nothing happens and a
// zero value comes back.  A host method that is missing makes the step do nothing,
// rather than stop SpringBoard on an unrecognised selector.
template <class R = id, class... Args>
R ask(id receiver, SEL selector, Args... args) {
  if (!answers(receiver, selector)) {
    if constexpr (std::is_void_v<R>) return;
    else return R{};
  }
  return objc::send<R>(receiver, selector, args...);
}

// [SBAwayController sharedAwayController], [SBBulletinListController sharedInstance],
// [SBUIController sharedInstance]; nil when the class is missing.
id awayController();
id listController();
id uiController();
// The away controller's awayView.
id awayView();
// The application object ([UIApplication sharedApplication]).
id application();

// The lock context: the away controller answers YES to isLocked and NO to
// cameraIsActive.  Evaluated afresh at each call.
BOOL inLockContext();

// The list controller answers YES to listViewIsActive.
BOOL listShown();

// [[UIDevice currentDevice] userInterfaceIdiom] is 1; NO when the device does not
// answer userInterfaceIdiom.
BOOL isPad();

// The height of [[UIScreen mainScreen] bounds].
CGFloat mainScreenHeight();

// Whether the object's description contains the text.
BOOL descriptionContains(id object, const char* text);

// The last subview of `view` whose description contains the text, or nil.
id lastSubviewDescribedAs(id view, const char* text);

// Whether the object is a kind of the named class; NO when the class is missing.
BOOL isKindOfClassNamed(id object, const char* className);

// Whether a file exists at a device path.
BOOL fileExists(const char* path);

// [receiver performSelector:selector withObject:nil afterDelay:delay]; nothing for nil.
void performAfterDelay(id receiver, SEL selector, double delay);

// A UIView animation block: beginAnimations:nil context:NULL, the curve and the
// duration; closed by commitAnimations.
void beginAnimation(NSInteger curve, double duration);
void commitAnimation();

// Frame helpers: the frame, and the frame with its origin y (or x) changed.
CGRect frameOf(id view);
void setFrame(id view, CGRect frame);
void setFrameY(id view, CGFloat y);
void setFrameX(id view, CGFloat x);

// The named instance variable of an object (read through the object's class at
// each use); nil when the object or the variable is missing.
id ivarNamed(id object, const char* name);

}  // namespace noctil6
