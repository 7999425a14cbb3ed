// UIImageView: a view showing a picture.
//
// initWithImage: makes the frame the picture's size at the origin (0, 0); setImage:
// keeps the frame as it is, as on iOS.  Answers image, setImage:, highlightedImage,
// setHighlightedImage:, highlighted, initWithImage:highlightedImage:, sizeThatFits:
// (the picture's size) and sizeToFit.  An image view does not take touches by
// default (userInteractionEnabled NO).
#pragma once

#include <uikit/UIView.h>

struct UIImageViewIvars : UIViewIvars {
  id _image;             // retained
  id _highlightedImage;  // retained
  BOOL _highlighted;
};

namespace uikit {

Class UIImageViewClass();

}  // namespace uikit
