// A pane's view: a grouped table whose sections are the pane's groups and whose
// cells show each row's title and value, as the Settings app draws them.  A tap on
// a link row opens its pane; a tap on a button row (or a choice) runs its action.
#include <preferences/PSListController.h>
#include <preferences/PreferenceRows.h>

#include "ListControllerParts.h"

#include <foundation/NSIndexPath.h>
#include <foundation/NSString.h>
#include <objcface/Send.h>
#include <uikit/UIKitTypes.h>
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

namespace preferences::detail {

using objc::send;
using objc::sel;

namespace {

constexpr const char* kCellIdentifier = "PSTableCell";
constexpr NSInteger kDisclosureIndicator = 1;  // UITableViewCellAccessoryDisclosureIndicator
constexpr NSInteger kCheckmark = 3;            // UITableViewCellAccessoryCheckmark

const RowView* rowAt(const std::vector<GroupView>& groups, NSInteger section, NSInteger row) {
  if (section < 0 || static_cast<std::size_t>(section) >= groups.size()) return nullptr;
  const auto& rows = groups[static_cast<std::size_t>(section)].rows;
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return nullptr;
  return &rows[static_cast<std::size_t>(row)];
}

NSInteger sectionOf(id indexPath) { return send<NSInteger>(indexPath, sel<"section">()); }
NSInteger rowOf(id indexPath) { return send<NSInteger>(indexPath, sel<"row">()); }

}  // namespace

void loadTableView(id self, SEL) {
  id screen = send<id>(reinterpret_cast<id>(objc::classNamed("UIScreen")), sel<"mainScreen">());
  CGRect frame = send<CGRect>(screen, sel<"bounds">());
  id table = send<id>(send<id>(reinterpret_cast<id>(uikit::UITableViewClass()), sel<"alloc">()),
                      sel<"initWithFrame:style:">(), frame, UITableViewStyleGrouped);
  send<void>(table, sel<"setDataSource:">(), self);
  send<void>(table, sel<"setDelegate:">(), self);
  send<void>(self, sel<"setView:">(), table);
  objc::release(table);
}

NSInteger numberOfSections(id self, SEL, id) { return static_cast<NSInteger>(paneGroups(self).size()); }

NSInteger numberOfRows(id self, SEL, id, NSInteger section) {
  auto groups = paneGroups(self);
  if (section < 0 || static_cast<std::size_t>(section) >= groups.size()) return 0;
  return static_cast<NSInteger>(groups[static_cast<std::size_t>(section)].rows.size());
}

id titleForHeader(id self, SEL, id, NSInteger section) {
  auto groups = paneGroups(self);
  if (section < 0 || static_cast<std::size_t>(section) >= groups.size()) return nil;
  const auto& header = groups[static_cast<std::size_t>(section)].header;
  return header.empty() ? nil : ns::str(header);
}

id titleForFooter(id self, SEL, id, NSInteger section) {
  auto groups = paneGroups(self);
  if (section < 0 || static_cast<std::size_t>(section) >= groups.size()) return nil;
  const auto& footer = groups[static_cast<std::size_t>(section)].footer;
  return footer.empty() ? nil : ns::str(footer);
}

id cellForRow(id self, SEL, id table, id indexPath) {
  auto groups = paneGroups(self);
  const RowView* row = rowAt(groups, sectionOf(indexPath), rowOf(indexPath));
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), ns::str(kCellIdentifier));
  if (!cell) {
    cell = objc::autorelease(send<id>(send<id>(reinterpret_cast<id>(uikit::UITableViewCellClass()), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), UITableViewCellStyleValue1,
                                      ns::str(kCellIdentifier)));
  }
  if (!row) return cell;
  send<void>(send<id>(cell, sel<"textLabel">()), sel<"setText:">(), ns::str(row->label));
  send<void>(send<id>(cell, sel<"detailTextLabel">()), sel<"setText:">(),
             row->showsValue ? ns::str(row->value) : static_cast<id>(nil));
  bool opensPane = row->cellType == PSLinkCell || row->cellType == PSLinkListCell;
  send<void>(cell, sel<"setAccessoryType:">(),
             opensPane ? kDisclosureIndicator : row->chosen ? kCheckmark : NSInteger{0});
  return cell;
}

void didSelectRow(id self, SEL, id table, id indexPath) {
  auto groups = paneGroups(self);
  const RowView* row = rowAt(groups, sectionOf(indexPath), rowOf(indexPath));
  send<void>(table, sel<"deselectRowAtIndexPath:animated:">(), indexPath, static_cast<BOOL>(YES));
  if (!row) return;
  if (row->cellType == PSLinkCell || row->cellType == PSLinkListCell) {
    auto pane = paneForLink(self, row->specifier.get());
    if (pane) send<void>(self, sel<"pushController:animate:">(), pane->get(), static_cast<BOOL>(YES));
  } else if (send<SEL>(row->specifier.get(), sel<"buttonAction">())) {
    (void)userPressesButton(row->specifier.get());
  }
}

}  // namespace preferences::detail
