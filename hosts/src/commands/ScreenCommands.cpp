// Navigation (lock, unlock, nc show/hide, home, sleep, wake), touches (longpress, tap-header,
// clear-section), the shared menu and the lists' rows and headers.
#include "CommandFamilies.h"
#include "ScriptParser.h"

#include <cmath>
#include <cstdio>

namespace hosts {
namespace {

using scenario::ListKind;
using scenario::RowState;

const char* listName(ListKind list) { return list == ListKind::notificationCenter ? "nc" : "lock"; }

const char* stateName(RowState state) {
  switch (state) {
    case RowState::visible: return "visible";
    case RowState::hidden: return "hidden";
    case RowState::absent: return "absent";
  }
  return "?";
}

std::string points(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::string quotedList(const std::vector<std::string>& titles) {
  if (titles.empty()) return "no menu";
  std::string out;
  for (const auto& t : titles) out += (out.empty() ? "\"" : " \"") + t + "\"";
  return out;
}

}  // namespace

Outcome fromStatus(const objc::Status& status, const std::string& what) {
  if (status) return Outcome::done();
  return Outcome::error(what + ": " + status.error().message);
}

Outcome run(const scenario::Navigate& c, CommandContext& ctx) {
  Outcome failure;
  const std::string name = scenario::commandName(c);
  HomeScreen* screen = requireHomeScreen(ctx, name.c_str(), failure);
  if (screen == nullptr) return failure;
  switch (c.what) {
    case scenario::Navigation::lock: return fromStatus(screen->lock(), "cannot lock");
    case scenario::Navigation::unlock: return fromStatus(screen->unlock(), "cannot unlock");
    case scenario::Navigation::showNotificationCenter:
      return fromStatus(screen->showNotificationCenter(), "cannot show Notification Center");
    case scenario::Navigation::hideNotificationCenter:
      return fromStatus(screen->hideNotificationCenter(), "cannot hide Notification Center");
    case scenario::Navigation::home: return fromStatus(screen->pressHome(), "cannot press home");
    case scenario::Navigation::sleep: return fromStatus(screen->sleep(), "cannot darken the screen");
    case scenario::Navigation::wake: return fromStatus(screen->wake(), "cannot wake the screen");
  }
  return Outcome::error("unknown navigation");
}

Outcome run(const scenario::LongPress& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "longpress", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->longPress(c.list, c.sectionID, c.row),
                    std::string("cannot long-press row ") + std::to_string(c.row) + " of " + c.sectionID + " (" +
                        listName(c.list) + ")");
}

Outcome run(const scenario::PerformMenuItem& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "menu", failure);
  if (screen == nullptr) return failure;
  auto status = screen->performMenuItem(c.title);
  if (status) return Outcome::done();
  return Outcome::error("cannot perform menu item \"" + c.title + "\": " + status.error().message +
                        " (the menu shows " + quotedList(screen->visibleMenuItems()) + ")");
}

Outcome run(const scenario::TapHeader& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "tap-header", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->tapHeader(c.sectionID), "cannot tap the header of " + c.sectionID);
}

Outcome run(const scenario::ClearSection& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "clear-section", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->clearSection(c.sectionID), "cannot clear " + c.sectionID);
}

Outcome run(const scenario::ExpectMenu& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "expect menu", failure);
  if (screen == nullptr) return failure;
  auto found = screen->visibleMenuItems();
  return Outcome::compare(found == c.titles, quotedList(c.titles), quotedList(found));
}

Outcome run(const scenario::ExpectRow& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "expect row", failure);
  if (screen == nullptr) return failure;
  RowReading found = screen->row(c.list, c.sectionID, c.row);
  std::string expected = stateName(c.state);
  std::string shown = stateName(found.state);
  bool equal = found.state == c.state;
  if (c.height) {
    expected += " height=" + points(*c.height);
    if (found.state != RowState::absent) shown += " height=" + points(found.height);
    equal = equal && found.state != RowState::absent && std::fabs(found.height - *c.height) < 0.01;
  }
  return Outcome::compare(equal, expected, shown);
}

Outcome run(const scenario::ExpectHeader& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "expect header", failure);
  if (screen == nullptr) return failure;
  auto found = screen->headerTitle(c.sectionID);
  return Outcome::compare(found == c.title, "\"" + c.title + "\"", found ? "\"" + *found + "\"" : "no header");
}

}  // namespace hosts
