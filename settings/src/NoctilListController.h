// The base class of every Noctil settings pane: loads a pane's rows from a property
// list of the bundle once, passes every text the user sees through the bundle's
// "Localizable" string table, and marks when the list is being redisplayed.
#pragma once

#include <preferences/PSListController.h>

#include <objcface/Send.h>

struct NoctilListControllerIvars : PSListControllerIvars {
  BOOL _reloading;
};

// The panes with a background-picture picker hold the library picker's popover
// while it is shown on an iPad.
struct NoctilPickerPaneIvars : NoctilListControllerIvars {
  id popover;  // retained UIPopoverController, nil when none is shown
};

namespace noctil::settings {

inline constexpr const char* kSettingsChangedNotification = "com.trelmo.noctil.settingschanged";

Class NoctilListControllerClass();

// The specifier array of a pane: loaded from the bundle's property list `plistName`
// on first use, localised, and kept by the pane; later calls answer the kept array.
id loadPaneSpecifiers(id pane, const char* plistName);

// A pane class whose `specifiers` loads `Plist` (the steps of the base class with
// the pane's own property list).
template <objc::FixedString Plist>
id paneSpecifiers(id self, SEL) {
  return loadPaneSpecifiers(self, Plist.value);
}

// localizedString: of a C string, sent to the pane (so an override takes part).
id localized(id pane, const char* text);

// Registration of the pane classes, each after the classes it builds on.
Class NoctilSettingsClass();
Class MoreAppsControllerClass();
void registerOptionPanes();
void registerPickerPanes();

}  // namespace noctil::settings
