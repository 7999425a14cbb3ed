// Helpers shared by the classes of the iOS 7 home screen: property setters, Foundation
// values from C++, index paths, and the shared instances that shutdown() drops.
#pragma once

#include <objcface/Ivar.h>
#include <objcface/NSObject.h>
#include <objcface/Types.h>
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>

#include <string>
#include <string_view>
#include <vector>

namespace sb7::detail {

using objc::sel;
using objc::send;

// The generic helpers are those both home screens share (springboardcommon/Helpers.h
// and Apps.h); names declared here win over them.
using namespace sbcommon;

// The display name of an app for section headers and icons.
inline std::string appDisplayName(const std::string& bundleID) { return sbcommon::displayName(bundleID); }

// The main screen's bounds (UIScreen), 320 × 568 points when there is no screen.
inline CGRect screenBounds() { return sbcommon::screenBounds(CGSize{320, 568}); }

}  // namespace sb7::detail
