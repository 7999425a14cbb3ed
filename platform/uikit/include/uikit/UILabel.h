// UILabel: a view showing one text.
//
// Answers text/setText: (copied), font/setFont: (default: the system font of 17
// points), textColor/setTextColor: (default black), textAlignment (0 left, 1 centre,
// 2 right), numberOfLines (1), lineBreakMode, highlighted, highlightedTextColor,
// enabled, adjustsFontSizeToFitWidth, sizeThatFits: (the text's size in its font,
// see UIFont.h) and sizeToFit.  A label does not take touches by default
// (userInteractionEnabled NO) and is not opaque.  Its description carries the text:
// "<UILabel: 0x…; frame = (…); text = 'Messages'; …>".
#pragma once

#include <uikit/UIView.h>

struct UILabelIvars : UIViewIvars {
  id _text;                  // retained NSString
  id _font;                  // retained
  id _textColor;             // retained
  id _highlightedTextColor;  // retained
  NSInteger _textAlignment;
  NSInteger _numberOfLines;
  NSInteger _lineBreakMode;
  BOOL _highlighted;
  BOOL _enabled;
  BOOL _adjustsFontSizeToFitWidth;
};

namespace uikit {

Class UILabelClass();

}  // namespace uikit
