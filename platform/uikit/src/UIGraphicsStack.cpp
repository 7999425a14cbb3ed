// The per-thread stack of current contexts and the UIKit drawing functions that use
// its top.
#include "UIGraphicsContext.h"

#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>

#include <vector>

namespace uikit {

namespace {

struct Entry {
  CGContext* context;  // NULL for a Begin whose size could not be drawn
  bool ownedImageContext;
};

// Owned image contexts still on the stack when a thread ends are freed with it.
struct ContextStack {
  std::vector<Entry> entries;
  ~ContextStack() {
    for (Entry& e : entries)
      if (e.ownedImageContext) delete e.context;
  }
};

ContextStack& stack() {
  thread_local ContextStack perThread;
  return perThread;
}

}  // namespace

}  // namespace uikit

extern "C" {

void UIGraphicsBeginImageContext(CGSize size) { UIGraphicsBeginImageContextWithOptions(size, NO, 1.0); }

void UIGraphicsBeginImageContextWithOptions(CGSize size, BOOL opaque, CGFloat scale) {
  if (scale == 0.0) scale = uikit::screen().scale;
  auto made = uikit::makeBitmapContext(size, scale, opaque != NO);
  uikit::stack().entries.push_back({made ? made->release() : nullptr, true});
}

CGContextRef UIGraphicsGetCurrentContext(void) {
  auto& entries = uikit::stack().entries;
  return entries.empty() ? nullptr : entries.back().context;
}

id UIGraphicsGetImageFromCurrentImageContext(void) {
  auto& entries = uikit::stack().entries;
  if (entries.empty() || !entries.back().ownedImageContext || entries.back().context == nullptr) return nil;
  CGContext* context = entries.back().context;
  auto pixels = context->bitmap.copy();
  if (!pixels) return nil;
  return uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(*pixels)), context->scale);
}

void UIGraphicsEndImageContext(void) {
  auto& entries = uikit::stack().entries;
  if (entries.empty()) return;
  if (entries.back().ownedImageContext) delete entries.back().context;
  entries.pop_back();
}

void UIGraphicsPushContext(CGContextRef context) { uikit::stack().entries.push_back({context, false}); }

void UIGraphicsPopContext(void) { UIGraphicsEndImageContext(); }

void UIRectFill(CGRect rect) { UIRectFillUsingBlendMode(rect, kCGBlendModeCopy); }

void UIRectFillUsingBlendMode(CGRect rect, CGBlendMode blendMode) {
  CGContextRef c = UIGraphicsGetCurrentContext();
  if (c == nullptr) return;
  CGContextSaveGState(c);
  CGContextSetBlendMode(c, blendMode);
  CGContextFillRect(c, rect);
  CGContextRestoreGState(c);
}

}  // extern "C"
