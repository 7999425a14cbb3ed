// A stand-in for a menu add-on that some devices carry: it extends the shared menu
// controller with registerAction:title:canPerform: (an action, its title and a
// can-perform block) so other code can offer items in every edit menu.  Code that
// cooperates with it finds it by asking the shared menu controller whether it
// responds to that selector.
//
// The add-on is absent until a host installs it.  Installed, the menu controller
// answers the selector and records each registration; uninstalled again, it answers
// NO to respondsToSelector: and a send of the selector stops the process as an
// unanswered send does, so both kinds of device can be played in one program.
#pragma once

#include <string>
#include <vector>

namespace uikit {

void setMenuAddOnInstalled(bool installed);
bool menuAddOnInstalled();

// One registerAction:title:canPerform: received while installed.
struct MenuAddOnRegistration {
  std::string action;  // the selector's name
  std::string title;
};
std::vector<MenuAddOnRegistration> menuAddOnRegistrations();

}  // namespace uikit
