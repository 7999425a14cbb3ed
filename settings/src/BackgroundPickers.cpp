// The three panes that let the user choose a background picture: from the photo
// library or the camera, shown modally on a phone and the library in a popover on an
// iPad.  The chosen picture is stored as JPEG data (quality 1.0) under a ".png" name
// that the tweaks read by content, and the settings-changed notification tells them
// to reload.
#include "NoctilListController.h"

#include <corefoundation/Notify.h>
#include <foundation/NSString.h>
#include <uikit/UIImage.h>

namespace noctil::settings {

using objc::send;
using objc::sel;

namespace {

constexpr NSInteger kSourceCamera = 1;
constexpr NSInteger kIdiomPad = 1;
constexpr NSUInteger kArrowUp = 1;

struct BGImage7Picture {
  static constexpr const char* file = "/var/mobile/Library/Noctil/CustomBGImage.png";
  static constexpr CGFloat anchor = 180;
};
struct BGControllerPicture {
  static constexpr const char* file = "/var/mobile/Library/Noctil/CustomBGImage.png";
  static constexpr CGFloat anchor = 220;
};
struct LockBGControllerPicture {
  static constexpr const char* file = "/var/mobile/Library/Noctil/LockCustomBGImage.png";
  static constexpr CGFloat anchor = 220;
};

NoctilPickerPaneIvars* P(id self) { return objc::ivars<NoctilPickerPaneIvars>(self); }

id pickerClass() { return reinterpret_cast<id>(objc::classNamed("UIImagePickerController")); }

bool isPad() {
  id device = send<id>(reinterpret_cast<id>(objc::classNamed("UIDevice")), sel<"currentDevice">());
  return objc::responds(device, sel<"userInterfaceIdiom">()) &&
         send<NSInteger>(device, sel<"userInterfaceIdiom">()) == kIdiomPad;
}

// Dismisses and lets go of the popover this pane holds, if any.  The popover may
// outlive the pane, so it forgets its delegate first.
void dropPopover(id self) {
  id popover = P(self)->popover;
  if (!popover) return;
  P(self)->popover = nil;
  send<void>(popover, sel<"setDelegate:">(), static_cast<id>(nil));
  send<void>(popover, sel<"dismissPopoverAnimated:">(), static_cast<BOOL>(YES));
  objc::release(popover);
}

// Closes the picker that finished or was cancelled: its popover when the pane shows
// it in one, else the modal picker.  A popover the user already closed was let go of
// when it said so (popoverDidDismiss), so it never stands in for the modal picker.
void closePicker(id self, id picker) {
  id popover = P(self)->popover;
  if (popover && send<id>(popover, sel<"contentViewController">()) == picker) {
    dropPopover(self);
  } else {
    send<void>(self, sel<"dismissModalViewControllerAnimated:">(), static_cast<BOOL>(YES));
  }
}

// The user closed the library's popover by tapping beside it: it is gone already,
// so the pane only lets go of it.
void popoverDidDismiss(id self, SEL, id popover) {
  if (!popover || popover != P(self)->popover) return;
  P(self)->popover = nil;
  send<void>(popover, sel<"setDelegate:">(), static_cast<id>(nil));
  objc::release(popover);
}

// The pane action: a choice of source when there is a camera, else the library.
void pickFromSheet(id self, SEL, id) {
  if (send<BOOL>(pickerClass(), sel<"isSourceTypeAvailable:">(), kSourceCamera)) {
    id sheet = send<id>(reinterpret_cast<id>(objc::classNamed("UIActionSheet")), sel<"alloc">());
    sheet = objc::sendVariadic<id>(
        sheet, sel<"initWithTitle:delegate:cancelButtonTitle:destructiveButtonTitle:otherButtonTitles:">(),
        static_cast<id>(nil), self, localized(self, "Cancel"), static_cast<id>(nil), localized(self, "Photo Library"),
        localized(self, "Camera"), static_cast<id>(nil));
    send<void>(sheet, sel<"showInView:">(), send<id>(self, sel<"view">()));
    objc::release(sheet);  // the platform keeps a sheet while it is on screen
  } else {
    send<void>(self, sel<"pickImageFromLibrary">());
  }
}

void actionSheetClicked(id self, SEL, id, NSInteger index) {
  if (index == 0) {
    send<void>(self, sel<"pickImageFromLibrary">());
  } else if (index == 1) {
    send<void>(self, sel<"pickImageFromCamera">());
  }
}

void pickImageFromCamera(id self, SEL) {
  id picker = objc::autorelease(send<id>(send<id>(pickerClass(), sel<"alloc">()), sel<"init">()));
  send<void>(picker, sel<"setDelegate:">(), self);
  send<void>(picker, sel<"setSourceType:">(), kSourceCamera);
  send<void>(self, sel<"presentModalViewController:animated:">(), picker, static_cast<BOOL>(YES));
}

template <class Picture>
void pickImageFromLibrary(id self, SEL) {
  id picker = objc::autorelease(send<id>(send<id>(pickerClass(), sel<"alloc">()), sel<"init">()));
  send<void>(picker, sel<"setDelegate:">(), self);
  // The picker's default source is the photo library.
  if (isPad()) {
    // A second tap while a popover is up replaces it rather than leaking it.
    dropPopover(self);
    id popover = send<id>(reinterpret_cast<id>(objc::classNamed("UIPopoverController")), sel<"alloc">());
    P(self)->popover = send<id>(popover, sel<"initWithContentViewController:">(), picker);
    send<void>(P(self)->popover, sel<"setDelegate:">(), self);
    id view = send<id>(self, sel<"view">());
    CGRect frame = send<CGRect>(view, sel<"frame">());
    CGRect anchor{{frame.size.width / 2, Picture::anchor}, {2, 2}};
    send<void>(P(self)->popover, sel<"presentPopoverFromRect:inView:permittedArrowDirections:animated:">(), anchor,
               view, kArrowUp, static_cast<BOOL>(YES));
  } else {
    send<void>(self, sel<"presentModalViewController:animated:">(), picker, static_cast<BOOL>(YES));
  }
}

template <class Picture>
void didFinishPickingImage(id self, SEL, id picker, id image, id) {
  id data = UIImageJPEGRepresentation(image, 1.0);
  // No picture gives no data; writing that would empty the old picture's file, so
  // the old file stays.  A failed write leaves it too.
  if (data) {
    id manager = send<id>(reinterpret_cast<id>(objc::classNamed("NSFileManager")), sel<"defaultManager">());
    send<BOOL>(manager, sel<"createFileAtPath:contents:attributes:">(), ns::str(Picture::file), data,
               static_cast<id>(nil));
  }
  closePicker(self, picker);
  notify_post(kSettingsChangedNotification);
}

// Closes the picker; a library picker in a popover goes with its popover.
void didCancel(id self, SEL, id picker) { closePicker(self, picker); }

// The class each picture's pane was registered as, for its dealloc's super call.
template <class Picture>
struct PaneClass {
  static inline Class cls = Nil;
};

template <class Picture>
void pickerPaneDealloc(id self, SEL cmd) {
  dropPopover(self);
  objc::sendSuper<void>(self, PaneClass<Picture>::cls, cmd);
}

template <objc::FixedString Plist, objc::FixedString Action, class Picture>
Class pickerPane(const char* name) {
  PaneClass<Picture>::cls =
      objc::ClassBuilder<NoctilPickerPaneIvars>(name, NoctilListControllerClass())
          .template ivar<&NoctilPickerPaneIvars::popover>("popover")
          .template method<&pickerPaneDealloc<Picture>>("dealloc")
          .template method<&paneSpecifiers<Plist>>("specifiers")
          .template method<&pickFromSheet>(Action.value)
          .template method<&actionSheetClicked>("actionSheet:clickedButtonAtIndex:")
          .template method<&pickImageFromLibrary<Picture>>("pickImageFromLibrary")
          .template method<&pickImageFromCamera>("pickImageFromCamera")
          .template method<&didFinishPickingImage<Picture>>("imagePickerController:didFinishPickingImage:editingInfo:")
          .template method<&didCancel>("imagePickerControllerDidCancel:")
          .template method<&popoverDidDismiss>("popoverControllerDidDismissPopover:")
          .registerClass();
  return PaneClass<Picture>::cls;
}

}  // namespace

void registerPickerPanes() {
  pickerPane<"BGImage7", "pickImage:", BGImage7Picture>("BGImage7");
  pickerPane<"Backgrounder", "pickImage:", BGControllerPicture>("BGController");
  pickerPane<"LockBackgrounder", "pickLockImage:", LockBGControllerPicture>("LockBGController");
}

}  // namespace noctil::settings
