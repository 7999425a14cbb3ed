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
    {7, &makeHomeScreen7},
};

}  // namespace

objc::Result<std::unique_ptr<HomeScreen>> makeHomeScreen(int iosMajor) {
  for (const auto& version : kVersions) {
    if (version.major == iosMajor) return version.make();
  }
  if (iosMajor == 6) return objc::makeError("the iOS 6 home screen is not available yet");
  return objc::makeError("there is no home screen for iOS " + std::to_string(iosMajor));
}

}  // namespace hosts
