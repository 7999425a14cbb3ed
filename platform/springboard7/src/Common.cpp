// The app catalogue of HostControl.h is the one both home screens share.
#include "Common.h"

#include <springboard7/HostControl.h>
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>

namespace sb7 {

void installApplication(const std::string& bundleID, const std::string& displayName) {
  sbcommon::installApplication(bundleID, displayName);
}
std::string displayName(const std::string& sectionID) { return sbcommon::displayName(sectionID); }

}  // namespace sb7
