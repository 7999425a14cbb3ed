// What the Settings app shows of a pane and what a user does with its rows, for the
// preferences host program and tests.  Everything goes through message sends to the
// pane and its specifiers (specifiers, name, the row's getter and setter on its
// target, a button's action), so a pane's own overrides take part exactly as when a
// user taps the screen.
#pragma once

#include <preferences/PSSpecifier.h>

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <string>
#include <string_view>
#include <vector>

namespace preferences {

struct RowView {
  objc::Ref specifier;
  PSCellType cellType = PSStaticTextCell;
  std::string label;
  // What the row shows as its value: ON / OFF for a switch, the number of a slider,
  // the title of a choice, the text of a text field; empty for links and buttons.
  std::string value;
  bool showsValue = false;
  // A choice on the pane of a multiple-choice row: whether the row holds it now.
  bool chosen = false;
};

struct GroupView {
  std::string header;  // the group row's name ("" for a group without one)
  std::string footer;  // its "footerText"
  std::vector<RowView> rows;
};

// The pane's rows in groups, as the list shows them (rows before the first group
// row form a group without header).
std::vector<GroupView> paneGroups(id controller);

// The row's value as read through its getter (nil for rows without one).
id rowValue(id specifier);
// The row's value as the user sees it (see RowView::value).
std::string shownValue(id specifier);

// Changes a row from text the way a user would, through the row's setter on its
// target: a switch takes YES/NO (ON/OFF, true/false, 1/0), a slider a number within
// its range, a choice one of its stored values or shown titles, a text field any
// text.  An error for a row that cannot be changed or text that does not fit it.
objc::Status userChangesRow(id specifier, std::string_view text);

// Whether a row of a multiple-choice row's pane (PSListItemsController) is the
// choice that row holds now.
bool isChosenItem(id item);

// Taps a button row (or a choice): its action sent to its target, with the
// specifier when the action takes an argument.
objc::Status userPressesButton(id specifier);

// The pane a link row opens, made the way the Settings app makes it (owned by the
// result): an instance of the row's detail class with the row as its specifier and
// `parent` as its parent and root controller's pane.  Not pushed.
objc::Result<objc::Ref> paneForLink(id parent, id specifier);

// The first row of the pane bound to `key`, searching the pane and then, depth
// first, every pane reachable through its links (each pane visited once); the row
// and the pane that holds it (owned), or an error.
struct FoundRow {
  objc::Ref pane;
  objc::Ref specifier;
};
objc::Result<FoundRow> findRowForKey(id pane, std::string_view key);

// Every option key (the "key" of every row) reachable from the pane, with the pane
// that holds the row (kept, since the row's target is that pane) and its title.
struct KeyedRow {
  std::string key;
  std::string paneTitle;
  objc::Ref pane;
  objc::Ref specifier;
};
std::vector<KeyedRow> reachableKeyedRows(id pane);

}  // namespace preferences
