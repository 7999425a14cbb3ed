// The home screens the springboard program can play, by iOS major version.  An
// adapter for another version plugs in here: a HomeScreen implementation over that
// version's host classes and one more entry in the table.
#include "HomeScreen.h"
#include "HomeScreen7.h"

namespace hosts {
namespace {

struct HomeScreenVersion {
  int major;
  std::unique_ptr<HomeScreen> (*make)();
};

constexpr HomeScreenVersion kVersions[] = {
#if NOCTIL_HAVE_SPRINGBOARD7
    {7, &makeHomeScreen7},
#endif
    {0, nullptr},
};

}  // namespace

objc::Result<std::unique_ptr<HomeScreen>> makeHomeScreen(int iosMajor) {
  for (const auto& version : kVersions) {
    if (version.make != nullptr && version.major == iosMajor) return version.make();
  }
  if (iosMajor == 6 || iosMajor == 7) {
    return objc::makeError("the iOS " + std::to_string(iosMajor) + " home screen is not available yet");
  }
  return objc::makeError("there is no home screen for iOS " + std::to_string(iosMajor));
}

}  // namespace hosts
