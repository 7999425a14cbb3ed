// The home screens the springboard program can play, by iOS major version.  An
// adapter for another version plugs in here: a HomeScreen implementation over that
// version's host classes and one more entry in the table.
#include "HomeScreen.h"
#include "HomeScreen6.h"
#include "HomeScreen7.h"

namespace hosts {
namespace {

struct HomeScreenVersion {
  int major;
  std::unique_ptr<HomeScreen> (*make)(const HomeScreenSettings&);
};

#if NOCTIL_HAVE_SPRINGBOARD7
std::unique_ptr<HomeScreen> makeSeven(const HomeScreenSettings&) { return makeHomeScreen7(); }
#endif

constexpr HomeScreenVersion kVersions[] = {
#if NOCTIL_HAVE_SPRINGBOARD7
    {7, &makeSeven},
#endif
#if NOCTIL_HAVE_SPRINGBOARD6
    {6, &makeHomeScreen6},
#endif
    {0, nullptr},
};

}  // namespace

objc::Result<std::unique_ptr<HomeScreen>> makeHomeScreen(const HomeScreenSettings& settings) {
  for (const auto& version : kVersions) {
    if (version.make != nullptr && version.major == settings.iosMajor) return version.make(settings);
  }
  const std::string major = std::to_string(settings.iosMajor);
  if (settings.iosMajor == 6 || settings.iosMajor == 7) {
    return objc::makeError("the iOS " + major + " home screen is not available yet");
  }
  return objc::makeError("there is no home screen for iOS " + major);
}

}  // namespace hosts
