// What the UIView implementation files share: the storage behind a view's ivars and
// the internal (message-free) operations of the view model.
#pragma once

#include <uikit/UIView.h>

#include <string>
#include <vector>

namespace uikit::detail {

struct ViewStorage {
  std::vector<id> subviews;            // retained, back to front
  std::vector<id> gestureRecognizers;  // retained, in the order added
};

inline UIViewIvars* viewIvars(id view) { return reinterpret_cast<UIViewIvars*>(view); }

// The storage of a view, made on first use.
ViewStorage& viewStorage(id view);

// The top-most ancestor of a view (the view itself when it has no superview).
id rootOf(id view);
// The window a view is in (nil when its root is not a UIWindow).
id windowOf(id view);

// A point of a view in its root's coordinates, and back.
CGPoint pointToRoot(id view, CGPoint point);
CGPoint pointFromRoot(id view, CGPoint point);

// Changes a view's stored frame without a message send, resizing subviews by their
// autoresizing masks when the size changes and marking the view for layout.
void applyFrame(id view, CGRect frame);

// Registers the hierarchy, geometry and description methods on the class.
void addViewHierarchyMethods(objc::ClassBuilder<UIViewIvars>& builder);
void addViewGeometryMethods(objc::ClassBuilder<UIViewIvars>& builder);

// The text of -description for a view (all parts, without a message send).
std::string viewDescription(id view);

// "%g"-style rendering of a number as iOS prints geometry (no trailing zeros), and
// of a rectangle "(x y; w h)" and a point "(x y)" in the same style.
std::string formatNumber(CGFloat value);
std::string rectText(CGRect rect);
std::string pointText(CGPoint point);

}  // namespace uikit::detail
