// post, badge and expect badge: what the system does to the home screen.
#include "CommandFamilies.h"

namespace hosts {
namespace {

std::string badgeText(std::optional<long long> value) { return value ? std::to_string(*value) : "none"; }

}  // namespace

HomeScreen* requireHomeScreen(CommandContext& ctx, const char* command, Outcome& failure) {
  HomeScreen* screen = ctx.host.homeScreen();
  if (screen == nullptr) {
    failure = Outcome::error(std::string(command) + " needs a home screen; " + ctx.host.programName() +
                             " has none (run it in springboard)");
  }
  return screen;
}

Outcome run(const scenario::PostBulletin& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "post", failure);
  if (screen == nullptr) return failure;
  auto posted = screen->post(c);
  if (!posted) return Outcome::error("the notification was not delivered: " + posted.error().message);
  return Outcome::done();
}

Outcome run(const scenario::SetBadge& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "badge", failure);
  if (screen == nullptr) return failure;
  auto status = screen->setBadge(c.sectionID, c.value);
  if (!status) return Outcome::error("cannot set the badge: " + status.error().message);
  return Outcome::done();
}

Outcome run(const scenario::ExpectBadge& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "expect badge", failure);
  if (screen == nullptr) return failure;
  auto found = screen->badge(c.sectionID);
  return Outcome::compare(found == c.value, badgeText(c.value), badgeText(found));
}

}  // namespace hosts
