// The screen as text and as a picture, for scenario output, tests and eyeballing.
//
// Text: one view a line, indented two spaces per level below its window: the class,
// the frame, then only what differs from a fresh view: alpha, "hidden", tag, a
// label's (or cell's) text, an image view's picture size, the layer's filters and
// rasterisation, a window's level.  For example:
//
//   UIWindow (0 0; 320 568) level=0
//     UITableView (0 0; 320 568)
//       SBNotificationsBulletinCell (0 22; 320 80)
//         UIView (0 0; 320 80)
//           UILabel (15 0; 290 80) text="Hello"
//
// Picture: the visible windows drawn in level order over black, each view clipped
// when it clips, blended by its alpha: background colours, image views' pictures
// (scaled by their content mode) and labels' text in their colour.  Hidden views and
// views nearly transparent are skipped, as on the device.  A layer's enabled
// "gaussianBlur" filters blur what its view draws, and a backdrop layer
// (CABackdropLayer) blurs what lies behind its view, under the view's own content.
#pragma once

#include <uikit/Bitmap.h>

#include <objcface/Result.h>
#include <objcface/Types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace uikit {

// The subtree of one view (laid out first).
std::string dumpView(id view);
// Every window, lowest level first (visible ones only unless includeHidden).
std::string dumpScreen(bool includeHidden = false);

// One view's subtree drawn at `scale` pixels per point, its bounds filling the picture.
objc::Result<Bitmap> renderView(id view, CGFloat scale);
// The whole screen (UIScreen's bounds) at `scale`.
objc::Result<Bitmap> renderScreen(CGFloat scale);
// PNG data of the whole screen.
objc::Result<std::vector<std::uint8_t>> screenPNG(CGFloat scale = 1.0);
// Writes the screen's PNG to a device path, replacing any file there atomically.
objc::Status writeScreenPNG(std::string_view devicePath, CGFloat scale = 1.0);

}  // namespace uikit
