// Helpers shared by the classes of the iOS 6 home screen: property setters, Foundation
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

namespace sb6::detail {

using objc::sel;
using objc::send;

// The generic helpers are those both home screens share (springboardcommon/Helpers.h
// and Apps.h); names declared here win over them.
using namespace sbcommon;

// The display name of an app for section headers and icons.
inline std::string appDisplayName(const std::string& bundleID) { return sbcommon::displayName(bundleID); }

// [cls sharedInstance]-style look-up by class name and class selector: nil when the
// class is missing.
id shared(const char* className, SEL classSelector);

// The main screen's bounds (UIScreen); 320 × 480 points when there is no screen.
inline CGRect screenBounds() { return sbcommon::screenBounds(CGSize{320, 480}); }
bool isPad();

// Bookkeeping of what the user would see and hear, read back by HostControl:
// the sounds played since the last take, and the last action performed.
void noteSound(const std::string& name);
void noteOpened(const std::string& urlOrBundleID);
// Forgets both (a new launch).
void resetNotes();

}  // namespace sb6::detail
