// PSSpecifier: one row of a Settings pane (or the group row that opens a section),
// with the property-list reader that turns a pane's "items" into specifiers.
//
// A specifier has a name (the row's title), a cell type, a target with getter and
// setter (the preference machinery, PSListController's readPreferenceValue: and
// setPreferenceValue:specifier: unless the row names others), a button action, the
// class of the pane a link opens, the stored values of a multiple-choice row with
// their titles (titleDictionary, keyed by the stored values) and short titles, and a
// dictionary of properties: every key of the row's property-list entry ("label",
// "key", "default", "defaults", "PostNotification", "footerText", "min", …).
//
// Answers: +preferenceSpecifierNamed:target:set:get:detail:cell:edit:,
// +groupSpecifierWithName:, +emptyGroupSpecifier, name, setName:, identifier,
// setIdentifier:, properties, setProperties:, propertyForKey:, setProperty:forKey:,
// removePropertyForKey:, titleDictionary, setTitleDictionary:, shortTitleDictionary,
// setShortTitleDictionary:, values, setValues:titles:, setValues:titles:shortTitles:,
// cellType, setCellType:, target, setTarget:, detailControllerClass,
// setDetailControllerClass:, buttonAction, setButtonAction:, description.
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <string>
#include <string_view>
#include <vector>

// The cell types of the Preferences framework, with its numbers.
using PSCellType = NSInteger;
inline constexpr PSCellType PSGroupCell = 0;
inline constexpr PSCellType PSLinkCell = 1;
inline constexpr PSCellType PSLinkListCell = 2;
inline constexpr PSCellType PSListItemCell = 3;
inline constexpr PSCellType PSTitleValueCell = 4;
inline constexpr PSCellType PSSliderCell = 5;
inline constexpr PSCellType PSSwitchCell = 6;
inline constexpr PSCellType PSStaticTextCell = 7;
inline constexpr PSCellType PSEditTextCell = 8;
inline constexpr PSCellType PSSegmentCell = 9;
inline constexpr PSCellType PSGiantIconCell = 10;
inline constexpr PSCellType PSGiantCell = 11;
inline constexpr PSCellType PSSecureEditTextCell = 12;
inline constexpr PSCellType PSButtonCell = 13;
inline constexpr PSCellType PSEditTextViewCell = 14;

struct PSSpecifierIvars : NSObjectIvars {
  id _target;  // not retained: the pane that loaded the row owns it
  SEL _getter;
  SEL _setter;
  SEL _action;
  Class _detailControllerClass;
  Class _editPaneClass;
  PSCellType _cellType;
  id _name;                // retained
  id _identifier;          // retained
  id _values;              // retained
  id _titleDict;           // retained
  id _shortTitleDict;      // retained
  id _properties;          // retained NSMutableDictionary
};

namespace preferences {

Class PSSpecifierClass();

// The cell type named in a property list ("PSSwitchCell"…); an error for a name the
// framework does not know.
objc::Result<PSCellType> cellTypeNamed(std::string_view name);
const char* cellTypeName(PSCellType type);

// The specifiers of a pane's property list: its "items" array, each entry a
// dictionary with at least "cell".  Rows with a "key" read and write through
// `target`'s readPreferenceValue: / setPreferenceValue:specifier: unless they name
// "get" / "set".  "detail" names the class a link opens (a PSLinkListCell without one
// opens PSListItemsController); "validValues" with "validTitles" (and "shortTitles")
// make a multiple-choice row; "action" names a button's selector.  An entry that
// cannot be read is left out and described in `problems` (when given), so a pane
// shows the rest of its rows.
struct SpecifierList {
  objc::Ref specifiers;  // NSMutableArray of PSSpecifier
  std::vector<std::string> problems;
};
SpecifierList specifiersFromPlist(id plist, id target);

// The specifier of one property-list entry, owned by the caller, with what is wrong
// with the entry but does not keep it from being shown (a detail class that does not
// exist, titles that do not match the values); an error when the entry cannot be a
// row at all.
struct EntrySpecifier {
  objc::Ref specifier;
  std::vector<std::string> problems;
};
objc::Result<EntrySpecifier> specifierFromEntry(id entry, id target);

}  // namespace preferences

// Property keys of the Preferences framework.
inline constexpr const char* PSTitleKey = "label";
inline constexpr const char* PSIDKey = "id";
inline constexpr const char* PSCellKey = "cell";
inline constexpr const char* PSKeyNameKey = "key";
inline constexpr const char* PSDefaultValueKey = "default";
inline constexpr const char* PSDefaultsKey = "defaults";
inline constexpr const char* PSValueChangedNotificationKey = "PostNotification";
inline constexpr const char* PSFooterTextGroupKey = "footerText";
inline constexpr const char* PSDetailControllerClassKey = "detail";
inline constexpr const char* PSActionKey = "action";
inline constexpr const char* PSGetterKey = "get";
inline constexpr const char* PSSetterKey = "set";
inline constexpr const char* PSValidValuesKey = "validValues";
inline constexpr const char* PSValidTitlesKey = "validTitles";
inline constexpr const char* PSShortTitlesKey = "shortTitles";
inline constexpr const char* PSControlMinimumKey = "min";
inline constexpr const char* PSControlMaximumKey = "max";
