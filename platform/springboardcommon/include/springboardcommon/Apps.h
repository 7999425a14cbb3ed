// The apps installed on the home screen (either version), with the display names their
// icons and Notification Center's section headers carry.  Known apps
// ("com.apple.MobileSMS" → "Messages", "com.apple.mobilemail" → "Mail", …) are
// installed from the start.  Main thread only.
#pragma once

#include <string>
#include <vector>

namespace sbcommon {

// Adds an app, or renames an installed one when a display name is given.  An empty
// bundle ID is ignored; an empty name stands for the bundle ID.
void installApplication(const std::string& bundleID, const std::string& displayName);
// The installed app's name, else the bundle ID itself.
std::string displayName(const std::string& bundleID);
bool isInstalled(const std::string& bundleID);
// The installed apps' bundle identifiers, in home-screen order.
std::vector<std::string> installedApps();

}  // namespace sbcommon
