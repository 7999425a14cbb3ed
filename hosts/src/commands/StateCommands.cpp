// expect list, locked, keypad, statusbar, banner, opened, sounds and animation: what
// the device shows and did, read back after the command before has settled.
#include "CommandFamilies.h"
#include "ScriptParser.h"

#include <cmath>
#include <cstdio>

namespace hosts {
namespace {

// The words a script writes for each state: the first when it holds, the second when
// it does not.
std::pair<const char*, const char*> stateWords(scenario::DeviceState what) {
  switch (what) {
    case scenario::DeviceState::list: return {"shown", "hidden"};
    case scenario::DeviceState::locked: return {"yes", "no"};
    case scenario::DeviceState::keypad: return {"shown", "hidden"};
    case scenario::DeviceState::statusBar: return {"time", "lock"};
    case scenario::DeviceState::banner: return {"shown", "none"};
  }
  return {"yes", "no"};
}

std::string soundList(const std::vector<std::string>& names) {
  if (names.empty()) return "no sounds";
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "\"" : " \"") + n + "\"";
  return out;
}

const char* curveName(long curve) {
  static constexpr const char* kNames[] = {"easeInOut", "easeIn", "easeOut", "linear"};
  return curve >= 0 && curve < 4 ? kNames[curve] : "curve?";
}

std::string animationText(long curve, double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", seconds);
  return std::string(curveName(curve)) + " " + buffer;
}

}  // namespace

Outcome run(const scenario::ExpectState& c, CommandContext& ctx) {
  Outcome failure;
  const std::string name = scenario::commandName(c);
  HomeScreen* screen = requireHomeScreen(ctx, name.c_str(), failure);
  if (screen == nullptr) return failure;
  auto found = screen->state(c.what);
  if (!found) return Outcome::error(found.error().message);
  auto [yes, no] = stateWords(c.what);
  return Outcome::compare(*found == c.value, c.value ? yes : no, *found ? yes : no);
}

Outcome run(const scenario::ExpectOpened& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "expect opened", failure);
  if (screen == nullptr) return failure;
  auto found = screen->lastOpened();
  if (!found) return Outcome::error(found.error().message);
  return Outcome::compare(*found == c.what, c.what.value_or("none"), found->value_or("none"));
}

Outcome run(const scenario::ExpectSounds& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "expect sounds", failure);
  if (screen == nullptr) return failure;
  auto found = screen->soundsHeard();
  if (!found) return Outcome::error(found.error().message);
  return Outcome::compare(*found == c.names, soundList(c.names), soundList(*found));
}

Outcome run(const scenario::ExpectAnimation& c, CommandContext& ctx) {
  auto found = ctx.host.lastAnimation();
  const std::string expected = animationText(c.curve, c.seconds);
  if (!found) return Outcome::mismatch(expected, "no animation");
  bool equal = found->curve == c.curve && std::fabs(found->seconds - c.seconds) <= 1e-6 * std::max(1.0, c.seconds);
  return Outcome::compare(equal, expected, animationText(found->curve, found->seconds));
}

}  // namespace hosts
