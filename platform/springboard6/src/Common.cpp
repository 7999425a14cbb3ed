// The helpers of Common.h: the generic ones and the app catalogue are those both home
// screens share (springboardcommon); the screen, the device and the bookkeeping of
// sounds and opened things are this home screen's.
#include "Common.h"

#include <springboard6/HostControl.h>
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>

#include <uikit/UIDevice.h>

#include <utility>

namespace sb6::detail {

id str(std::string_view utf8) { return sbcommon::str(utf8); }
std::string text(id string) { return sbcommon::text(string); }
id mutableArray() { return sbcommon::mutableArray(); }
id mutableDictionary() { return sbcommon::mutableDictionary(); }
std::vector<id> elements(id array) { return sbcommon::elements(array); }
NSUInteger count(id collection) { return sbcommon::count(collection); }
id indexPath(NSInteger section, NSInteger row) { return sbcommon::indexPath(section, row); }
NSInteger pathSection(id path) { return sbcommon::pathSection(path); }
NSInteger pathRow(id path) { return sbcommon::pathRow(path); }
id indexSet(NSUInteger index) { return sbcommon::indexSet(index); }
id newObject(const char* className) { return sbcommon::newObject(className); }
bool isKind(id object, const char* className) { return sbcommon::isKind(object, className); }
id& sharedSlot(const char* name) { return sbcommon::sharedSlot(name); }
void releaseSharedInstances() { sbcommon::releaseSharedInstances(); }

id shared(const char* className, SEL classSelector) {
  Class cls = objc::classNamed(className);
  return cls ? send<id>(cls, classSelector) : nil;
}

std::string appDisplayName(const std::string& bundleID) { return sbcommon::displayName(bundleID); }
bool isInstalled(const std::string& bundleID) { return sbcommon::isInstalled(bundleID); }
std::vector<std::string> installedApps() { return sbcommon::installedApps(); }

CGRect screenBounds() {
  Class screenClass = objc::classNamed("UIScreen");
  id screen = screenClass ? send<id>(screenClass, sel<"mainScreen">()) : nil;
  CGRect bounds = screen ? send<CGRect>(screen, sel<"bounds">()) : CGRect{};
  return bounds.size.width > 0 ? bounds : CGRectMake(0, 0, 320, 480);
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
