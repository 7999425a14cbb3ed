// The options of the iOS 6 tweak: one process-wide variable per key of the options
// file, filled by the options loader at start-up and whenever the settings-changed
// notification arrives, then adjusted by the rules that switch features off.  Every
// other unit only reads them, except the folded set, which the folded-sections code
// edits and writes back.
#pragma once

#include <objcface/NSObject.h>

namespace noctil6 {

inline constexpr const char* kOptionsPath = "/var/mobile/Library/Preferences/com.trelmo.noctil.plist";
inline constexpr const char* kSettingsChangedNotification = "com.trelmo.noctil.settingschanged";

// The values before the first load.  Numbers are read in single precision (floatValue)
// and 32-bit integers (intValue), and kept so.
struct Options {
  BOOL noctilEnabled = YES;
  BOOL bannerClosebox = YES;
  BOOL collapsible = YES;
  BOOL swipeToDelete = YES;
  BOOL sdRequireConfirm = YES;
  BOOL sdRemoveBadge = YES;
  BOOL sdMarkSMSAsRead = YES;
  BOOL csRemoveBadge = YES;
  BOOL csMarkSMSAsRead = YES;
  BOOL showNoNotificationsLabel = YES;
  objc::Ref noNotificationsText;  // the value read; nil when absent or ""
  int topShelfWidgets = 0;
  BOOL transparent = NO;
  float bgAlpha = 0.5f;
  BOOL bgImageEnabled = NO;
  BOOL scaleToFill = YES;
  BOOL blur = NO;
  float blurValue = 5.0f;
  float cellBackAlpha = 0.0f;
  BOOL blurApplyToBack = NO;
  BOOL lockTransparent = NO;
  float lockBGAlpha = 0.5f;
  BOOL lockBlur = NO;
  float lockBlurValue = 5.0f;
  BOOL lockEnabled = YES;
  int defaultShow = 0;
  BOOL pullUpToUnlock = NO;
  BOOL enableLockBar = NO;
  BOOL hideTimeView = YES;
  BOOL hideLockBar = NO;
  BOOL unlockSound = YES;
  BOOL unlockAnimation = NO;
  float lockCellBackAlpha = 0.0f;
  BOOL lockBGImageEnabled = NO;
  BOOL lockBlurApplyToBack = NO;
  objc::Ref tintColor;            // a colour name; nil until loaded and while switched off
  objc::Ref lockTintColor;        // the same for the lock screen
  objc::Ref collapsibleSections;  // NSMutableArray of section IDs; nil until loaded or while folding is off
};

// The live options.  Main thread only.
Options& options();

// Puts every option back to its value before the first load (tests).
void resetOptions();

// The options loader: reads the whole file again, applies it and the rules after it.
void loadOptions();

// Registers the loader for the settings-changed Darwin notification, coalesced.
void observeOptionChanges();

}  // namespace noctil6
