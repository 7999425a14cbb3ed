// passcode, keypad, rotate, open, call, camera and alert: the device's own settings
// and buttons, and what the system does to the lock screen.
#include "CommandFamilies.h"
#include "ScriptParser.h"

namespace hosts {

Outcome run(const scenario::SetPasscode& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "passcode", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->setPasscode(c.code), "cannot set the passcode");
}

Outcome run(const scenario::UseKeypad& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "keypad", failure);
  if (screen == nullptr) return failure;
  if (!c.code) return fromStatus(screen->cancelKeypad(), "cannot cancel the keypad");
  return fromStatus(screen->typePasscode(*c.code), "cannot type the passcode");
}

Outcome run(const scenario::Rotate& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "rotate", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->rotate(c.orientation), "cannot rotate the device");
}

Outcome run(const scenario::OpenApplication& c, CommandContext& ctx) {
  Outcome failure;
  HomeScreen* screen = requireHomeScreen(ctx, "open", failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->openApplication(c.bundleID), "cannot open " + c.bundleID);
}

Outcome run(const scenario::Happen& c, CommandContext& ctx) {
  Outcome failure;
  const std::string name = scenario::commandName(c);
  HomeScreen* screen = requireHomeScreen(ctx, name.c_str(), failure);
  if (screen == nullptr) return failure;
  return fromStatus(screen->happen(c.event), "cannot play the " + name);
}

}  // namespace hosts
