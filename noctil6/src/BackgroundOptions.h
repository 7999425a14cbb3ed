// The options the list background asks for, through the tweak controller's
// lock-variant accessors (class Noctil): inside the lock context they answer the
// lock-screen option, outside it the Notification Center one.  Before SpringBoard has
// finished launching there is no controller and every answer is NO or 0, so the list
// keeps the platform's own look.
#pragma once

#include "HostAccess.h"
#include "Launch.h"

namespace noctil6::background {

inline BOOL transparentEnabled() { return ask<BOOL>(tweakController(), objc::sel<"transparentEnabled">()); }
inline BOOL blurEnabled() { return ask<BOOL>(tweakController(), objc::sel<"blurEnabled">()); }
inline BOOL blurApplyToBack() { return ask<BOOL>(tweakController(), objc::sel<"blurApplyToBack">()); }
// The custom picture counts only while its file exists (the accessor asks the disk).
inline BOOL bgImageEnabled() { return ask<BOOL>(tweakController(), objc::sel<"bgImageEnabled">()); }
inline float bgAlpha() { return ask<float>(tweakController(), objc::sel<"bgAlpha">()); }
inline float cellBackAlpha() { return ask<float>(tweakController(), objc::sel<"cellBackAlpha">()); }
// The tint colour's name as the options hold it, or nil.
inline id tintColorName() { return ask(tweakController(), objc::sel<"tintColor">()); }

}  // namespace noctil6::background
