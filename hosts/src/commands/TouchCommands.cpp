// drag, swipe, tap, confirm-delete, tap-widget, tap-banner and scroll nc: fingers on
// the screen, delivered through the windows the way iOS delivers them.
#include "CommandFamilies.h"

#include <cstdio>

namespace hosts {
namespace {

const char* listName(scenario::ListKind list) { return list == scenario::ListKind::notificationCenter ? "nc" : "lock"; }

std::string rowName(scenario::ListKind list, const std::string& sectionID, long long row) {
  return "row " + std::to_string(row) + " of " + sectionID + " (" + listName(list) + ")";
}

std::string number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

}  // namespace

Outcome run(const scenario::Drag& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "drag", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->drag(c), "cannot drag");
}

Outcome run(const scenario::Swipe& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "swipe", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->swipe(c), "cannot swipe across " + rowName(c.list, c.sectionID, c.row));
}

Outcome run(const scenario::TapRow& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "tap", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->tapRow(c.list, c.sectionID, c.row), "cannot tap " + rowName(c.list, c.sectionID, c.row));
}

Outcome run(const scenario::ConfirmDelete&, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "confirm-delete", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->confirmDelete(), "cannot tap the Delete confirmation button");
}

Outcome run(const scenario::TapWidget& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "tap-widget", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->tapWidget(c.sectionID), "cannot tap the widget " + c.sectionID);
}

Outcome run(const scenario::TapBanner& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "tap-banner", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->tapBanner(c.point),
                    "cannot tap the banner at " + number(c.point.x) + "," + number(c.point.y));
}

Outcome run(const scenario::ScrollList& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "scroll nc", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->scrollNotificationCenter(c.offset),
                    "cannot scroll Notification Center to " + number(c.offset));
}

}  // namespace hosts
