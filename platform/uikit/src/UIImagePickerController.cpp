#include <uikit/UIImagePickerController.h>
#include <uikit/UIPopoverController.h>

#include "FoundationGlue.h"

#include <objcface/Send.h>

#include <algorithm>
#include <array>
#include <mutex>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

using PickerIvars = UIImagePickerControllerIvars;
PickerIvars* P(id self) { return objc::ivars<PickerIvars>(self); }

struct PickerState {
  std::mutex mutex;
  std::array<bool, 3> available{true, true, true};
  std::vector<id> live;  // not retained; every picker between init and dealloc
};

PickerState& state() {
  static PickerState* s = new PickerState;
  return *s;
}

bool sourceIsKnown(NSInteger type) { return type >= 0 && type < 3; }

BOOL clsIsSourceTypeAvailable(id, SEL, NSInteger type) { return imagePickerSourceAvailable(type) ? YES : NO; }

id clsAvailableMediaTypes(id, SEL, NSInteger type) {
  if (!imagePickerSourceAvailable(type)) return nil;
  id image = detail::makeNSString("public.image");
  return detail::makeNSArray(std::span<const id>(&image, 1));
}

id pickerInit(id self, SEL) {
  self = objc::sendSuper<id>(self, UIImagePickerControllerClass(), sel<"init">());
  if (self) {
    std::lock_guard lock(state().mutex);
    state().live.push_back(self);
  }
  return self;
}

void pickerDealloc(id self, SEL cmd) {
  {
    std::lock_guard lock(state().mutex);
    auto& live = state().live;
    live.erase(std::remove(live.begin(), live.end(), self), live.end());
  }
  objc::sendSuper<void>(self, UIImagePickerControllerClass(), cmd);
}

id pickerDelegate(id self, SEL) { return P(self)->_imagePickerDelegate; }
void pickerSetDelegate(id self, SEL, id delegate) { P(self)->_imagePickerDelegate = delegate; }
NSInteger pickerSourceType(id self, SEL) { return P(self)->_sourceType; }
void pickerSetSourceType(id self, SEL, NSInteger type) {
  if (imagePickerSourceAvailable(type)) P(self)->_sourceType = type;
}
BOOL pickerAllowsEditing(id self, SEL) { return P(self)->_allowsEditing; }
void pickerSetAllowsEditing(id self, SEL, BOOL allows) { P(self)->_allowsEditing = allows; }

bool inVisiblePopover(id picker) {
  for (id popover : visiblePopovers()) {
    if (send<id>(popover, sel<"contentViewController">()) == picker) return true;
  }
  return false;
}

bool isShown(id picker) {
  return send<id>(picker, sel<"presentingViewController">()) != nil || inVisiblePopover(picker);
}

}  // namespace

void setImagePickerSourceAvailable(UIImagePickerControllerSourceType sourceType, bool available) {
  if (!sourceIsKnown(sourceType)) return;
  std::lock_guard lock(state().mutex);
  state().available[static_cast<std::size_t>(sourceType)] = available;
}

bool imagePickerSourceAvailable(UIImagePickerControllerSourceType sourceType) {
  if (!sourceIsKnown(sourceType)) return false;
  std::lock_guard lock(state().mutex);
  return state().available[static_cast<std::size_t>(sourceType)];
}

std::vector<id> shownImagePickers() {
  std::vector<id> live;
  {
    std::lock_guard lock(state().mutex);
    live = state().live;
  }
  std::vector<id> shown;
  for (id picker : live) {
    if (isShown(picker)) shown.push_back(picker);
  }
  return shown;
}

objc::Status pickImage(id picker, id image) {
  if (!picker || !isShown(picker)) return objc::makeError("the picker is not on screen");
  if (!image) return objc::makeError("no picture to pick");
  objc::Ref keep = objc::Ref::retain(picker);
  id delegate = P(picker)->_imagePickerDelegate;
  if (objc::responds(delegate, sel<"imagePickerController:didFinishPickingMediaWithInfo:">())) {
    id keys[] = {detail::makeNSString("UIImagePickerControllerOriginalImage"),
                 detail::makeNSString("UIImagePickerControllerMediaType")};
    id values[] = {image, detail::makeNSString("public.image")};
    id info = send<id>(reinterpret_cast<id>(objc::classNamed("NSDictionary")), sel<"dictionaryWithObjects:forKeys:">(),
                       detail::makeNSArray(values), detail::makeNSArray(keys));
    send<void>(delegate, sel<"imagePickerController:didFinishPickingMediaWithInfo:">(), picker, info);
  } else if (objc::responds(delegate, sel<"imagePickerController:didFinishPickingImage:editingInfo:">())) {
    send<void>(delegate, sel<"imagePickerController:didFinishPickingImage:editingInfo:">(), picker, image,
               static_cast<id>(nil));
  } else {
    send<void>(picker, sel<"dismissModalViewControllerAnimated:">(), static_cast<BOOL>(YES));
  }
  return objc::Ok{};
}

objc::Status cancelImagePicker(id picker) {
  if (!picker || !isShown(picker)) return objc::makeError("the picker is not on screen");
  objc::Ref keep = objc::Ref::retain(picker);
  id delegate = P(picker)->_imagePickerDelegate;
  if (objc::responds(delegate, sel<"imagePickerControllerDidCancel:">())) {
    send<void>(delegate, sel<"imagePickerControllerDidCancel:">(), picker);
  } else {
    send<void>(picker, sel<"dismissModalViewControllerAnimated:">(), static_cast<BOOL>(YES));
  }
  return objc::Ok{};
}

Class UIImagePickerControllerClass() {
  static const Class cls =
      objc::ClassBuilder<PickerIvars>("UIImagePickerController", UIViewControllerClass())
          .ivar<&PickerIvars::_imagePickerDelegate>("_imagePickerDelegate")
          .ivar<&PickerIvars::_sourceType>("_sourceType")
          .ivar<&PickerIvars::_allowsEditing>("_allowsEditing")
          .method<&pickerInit>("init")
          .method<&pickerDealloc>("dealloc")
          .method<&pickerDelegate>("delegate")
          .method<&pickerSetDelegate>("setDelegate:")
          .method<&pickerSourceType>("sourceType")
          .method<&pickerSetSourceType>("setSourceType:")
          .method<&pickerAllowsEditing>("allowsEditing")
          .method<&pickerSetAllowsEditing>("setAllowsEditing:")
          .method<&pickerAllowsEditing>("allowsImageEditing")
          .method<&pickerSetAllowsEditing>("setAllowsImageEditing:")
          .classMethod<&clsIsSourceTypeAvailable>("isSourceTypeAvailable:")
          .classMethod<&clsAvailableMediaTypes>("availableMediaTypesForSourceType:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIImagePickerControllerAtLoad = UIImagePickerControllerClass();

}  // namespace uikit
