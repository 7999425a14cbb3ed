// The options of the iOS 7 tweak: one process-wide variable per key of the options
// file, filled by the options loader at start-up and whenever the settings-changed
// notification arrives.  Every other unit only reads them, except the folded set,
// which the folded-sections code edits and writes back.
#pragma once

#include <objcface/NSObject.h>

namespace noctil7 {

inline constexpr const char* kOptionsPath = "/var/mobile/Library/Preferences/com.trelmo.noctil.plist";
inline constexpr const char* kSettingsChangedNotification = "com.trelmo.noctil.settingschanged";

struct Options {
  BOOL enabled = YES;
  BOOL collapsible = YES;
  BOOL actionMenuEnabled = YES;
  BOOL removeBadge = YES;
  BOOL markSMSAsRead = YES;
  BOOL bgSettingsEnabled = NO;
  double blurValue = 20.0;
  double grayscaleValue = static_cast<double>(0.73f);
  double colorTintAlpha = 0.0;
  objc::Ref colorTint;  // the "ColorTint" value as read; nil when switched off
  BOOL bgImageEnabled = NO;
  BOOL bgImageScaleToFill = YES;
  double bgImageBlurValue = 0.0;
  double bgImageAlpha = 1.0;
  double bgImageGrayscaleValue = 0.0;
  objc::Ref foldedSections;  // NSMutableArray of section identifiers; nil when "Collapsible" is off
};

// The live options.  Main thread only.
Options& options();

// Puts every option back to its value before the first load ("ColorTint" is
// "darkGray", the folded set an empty array).  Start-up and tests use it.
void resetOptions();

// The options loader: reads the whole file again and applies it.
void loadOptions();

// Registers the loader for the settings-changed Darwin notification, coalesced.
void observeOptionChanges();

}  // namespace noctil7
