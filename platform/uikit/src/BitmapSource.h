// Bitmaps as cairo sources stretched over a rectangle, shared by the bitmap contexts
// (drawInRect: and friends) and the screen renderer (image views).
#pragma once

#include <uikit/Bitmap.h>
#include <uikit/UIKitTypes.h>

#include <cairo.h>

#include <optional>

namespace uikit::detail {

// Sets cairo's source to `bitmap` stretched over the user-space rectangle `rect`,
// smoothly filtered, with the given extend.  Changes cairo's transform: call between
// cairo_save and cairo_restore.  A large shrink (to under 3/4 of the pixels along
// either side, the transform only scaling and translating) is first done by area
// averaging into `shrunk`, which must outlive the painting: cairo's smooth filter
// takes its slow general path there, and its fast one would skip pixels.
void setStretchedSource(cairo_t* cr, const Bitmap& bitmap, CGRect rect, cairo_extend_t extend,
                        std::optional<Bitmap>& shrunk);

}  // namespace uikit::detail
