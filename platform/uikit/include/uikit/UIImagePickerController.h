// UIImagePickerController: the system's picture picker, shown modally or in a
// popover.  What the user picks is decided by the host program (or a test) through
// the C++ face below; the picker then tells its delegate by message send, as on iOS.
//
// Answers +isSourceTypeAvailable:, +availableMediaTypesForSourceType:, init,
// delegate / setDelegate: (not retained), sourceType / setSourceType: (photo library
// by default), allowsEditing / setAllowsEditing: (also allowsImageEditing).
// Setting a source type that is not available is refused and leaves the type as it
// was (iOS raises there).
//
// Picking sends imagePickerController:didFinishPickingMediaWithInfo: when the
// delegate answers it, else imagePickerController:didFinishPickingImage:editingInfo:
// (the picture, nil editing information).  Cancelling sends
// imagePickerControllerDidCancel:; a delegate without it gets the picker dismissed
// for it, as iOS does.
#pragma once

#include <uikit/UIViewController.h>

#include <objcface/Result.h>

#include <vector>

using UIImagePickerControllerSourceType = NSInteger;
inline constexpr UIImagePickerControllerSourceType UIImagePickerControllerSourceTypePhotoLibrary = 0;
inline constexpr UIImagePickerControllerSourceType UIImagePickerControllerSourceTypeCamera = 1;
inline constexpr UIImagePickerControllerSourceType UIImagePickerControllerSourceTypeSavedPhotosAlbum = 2;

struct UIImagePickerControllerIvars : UIViewControllerIvars {
  id _imagePickerDelegate;  // not retained
  UIImagePickerControllerSourceType _sourceType;
  BOOL _allowsEditing;
};

namespace uikit {

Class UIImagePickerControllerClass();

// Whether the device has the source (all three by default: a phone with a camera).
void setImagePickerSourceAvailable(UIImagePickerControllerSourceType sourceType, bool available);
bool imagePickerSourceAvailable(UIImagePickerControllerSourceType sourceType);

// Pickers on screen now: presented modally or the content of a visible popover,
// oldest first (borrowed).
std::vector<id> shownImagePickers();

// The user picks `image` in `picker` (see above).  An error when the picker is not on
// screen or the picture is nil.
objc::Status pickImage(id picker, id image);

// The user cancels `picker`.
objc::Status cancelImagePicker(id picker);

}  // namespace uikit
