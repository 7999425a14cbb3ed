// UIButton: a control showing a title and a picture that may differ by state.
//
// Answers +buttonWithType:, buttonType, setTitle:forState:, titleForState:,
// setTitleColor:forState:, titleColorForState:, setImage:forState:, imageForState:,
// setBackgroundImage:forState:, backgroundImageForState:, currentTitle,
// currentTitleColor, currentImage, currentBackgroundImage, titleLabel, imageView,
// contentEdgeInsets, imageEdgeInsets, titleEdgeInsets (and setters),
// showsTouchWhenHighlighted, setShowsTouchWhenHighlighted:, adjustsImageWhenHighlighted,
// sizeThatFits: and layoutSubviews.  A value for a state that has none falls back to
// the normal state's.  The image view shows the current picture at its own size,
// centred in the bounds less the content and image insets (shrunk to fit); the title
// label fills the bounds less the content and title insets.
#pragma once

#include <uikit/UIControl.h>

#include <memory>

namespace uikit::detail {
struct ButtonStorage;
}

struct UIButtonIvars : UIControlIvars {
  NSInteger _buttonType;
  id _titleLabel;  // retained, a subview once there is a title
  id _imageView;   // retained, a subview
  id _backgroundImageView;  // retained, a subview once there is a background picture
  UIEdgeInsets _contentEdgeInsets;
  UIEdgeInsets _imageEdgeInsets;
  UIEdgeInsets _titleEdgeInsets;
  BOOL _showsTouchWhenHighlighted;
  BOOL _adjustsImageWhenHighlighted;
  std::unique_ptr<uikit::detail::ButtonStorage> _buttonStorage;  // values per state
};

namespace uikit {

Class UIButtonClass();

}  // namespace uikit
