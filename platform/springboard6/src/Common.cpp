// The helpers of Common.h that are this home screen's own: shared instances by class,
// the device, and the bookkeeping of sounds and opened things.
#include "Common.h"

#include <springboard6/HostControl.h>
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>

#include <uikit/UIDevice.h>

#include <utility>

namespace sb6::detail {

id shared(const char* className, SEL classSelector) {
  Class cls = objc::classNamed(className);
  return cls ? send<id>(cls, classSelector) : nil;
}

bool isPad() { return uikit::userInterfaceIdiom() == 1; }

namespace {

struct Notes {
  std::vector<std::string> sounds;
  std::optional<std::string> opened;
};
Notes& notes() {
  static Notes value;
  return value;
}

}  // namespace

void noteSound(const std::string& name) { notes().sounds.push_back(name); }
void noteOpened(const std::string& urlOrBundleID) { notes().opened = urlOrBundleID; }
void resetNotes() { notes() = Notes{}; }

}  // namespace sb6::detail

namespace sb6 {

void installApplication(const std::string& bundleID, const std::string& displayName) {
  sbcommon::installApplication(bundleID, displayName);
}
std::string displayName(const std::string& sectionID) { return sbcommon::displayName(sectionID); }

std::optional<std::string> lastOpened() { return detail::notes().opened; }

std::vector<std::string> takeSounds() { return std::exchange(detail::notes().sounds, {}); }

}  // namespace sb6
