// PSListController: a Settings pane, a view controller whose rows are specifiers;
// PSListItemsController, the pane of a multiple-choice row's choices; and
// PSRootController, the Settings app's stack of panes.
//
// PSListController answers init, initForContentSize:, specifiers (the pane's array,
// nil until a subclass fills `_specifiers`), setSpecifiers:, specifier and
// setSpecifier: (the row that opened the pane), bundle (the preference bundle whose
// code defines the pane's class, else its parent's, else the main bundle),
// loadSpecifiersFromPlistName:target: (the bundle's "<name>.plist" as specifiers,
// unlocalised; no rows when the bundle lacks it; its "title" becomes the navigation
// title), reload (the list's redisplay with the same specifiers), reloadSpecifiers
// (drops the specifiers, asks for them again and redisplays), reloadSpecifier:,
// specifierForID:, indexOfSpecifier:, navigationTitle (the title, else the property
// list's "title", else the opening row's name), parentController,
// setParentController:, rootController, setRootController:, pushController:,
// pushController:animate:, viewDidLoad, and the preference machinery:
// readPreferenceValue: and setPreferenceValue:specifier: (PreferenceValues.h).
//
// Its view is a grouped UITableView it feeds itself: one section per group (the
// group's name as header, its "footerText" as footer), one cell per row with the
// row's title and shown value (PreferenceRows.h); selecting a link opens its pane,
// selecting a button runs its action.
//
// Everything is reached by message send, so a pane subclass that overrides a method
// takes part (a pane's own `specifiers`, a replaced loadSpecifiersFromPlistName:…).
#pragma once

#include <uikit/UIViewController.h>

#include <objcface/Types.h>

struct PSListControllerIvars : UIViewControllerIvars {
  id _specifiers;        // retained NSArray
  id _specifier;         // retained: the row that opened this pane
  id _parentController;  // not retained: the pane that pushed this one
  id _rootController;    // not retained: the stack this pane is on
  id _plistTitle;        // retained: "title" of the last property list loaded
  NSInteger _reloadCount;
};

struct PSRootControllerIvars : UIViewControllerIvars {
  id _controllers;  // retained NSMutableArray, bottom first
};

namespace preferences {

Class PSListControllerClass();
Class PSListItemsControllerClass();
Class PSRootControllerClass();

// How often reload ran on a pane (the list's redisplays), for tests and the host.
NSInteger reloadCount(id controller);

}  // namespace preferences
