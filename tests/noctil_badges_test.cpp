// The badge step both tweak libraries share, on the icon model the two home screens
// share: one removal lowers a badge by one (5 → "4", 1 → none, never "0"), a badge
// that is absent, 0 or not a number stays, clearing removes any badge, and an app
// without an icon or a missing argument changes nothing.
#include <noctil/Badges.h>

#include <springboardcommon/Helpers.h>
#include <springboardcommon/Icons.h>

#include <TestSupport.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <uikit/UIView.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using objc::send;
using objc::sel;

constexpr const char* kMessages = "com.apple.MobileSMS";

class BadgesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    uikit::UIViewClass();  // the icon views are views: UIKit first
    sbcommon::registerIconClasses();
  }
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  void TearDown() override { sbcommon::releaseSharedInstances(); }

  static id icon(const char* section) {
    return send<id>(noctil::iconModel(), sel<"applicationIconForDisplayIdentifier:">(), ns::str(section));
  }
  static void setBadge(const char* section, const char* badge) {
    send<void>(icon(section), sel<"setBadge:">(), badge ? ns::str(badge) : id{nil});
  }
  static std::string badge(const char* section) {
    id value = send<id>(icon(section), sel<"badgeNumberOrString">());
    return value ? ns::utf8(value) : "none";
  }
  // One removal of a notification of the section with the badge given first.
  static std::string afterOneRemoval(const char* before) {
    setBadge(kMessages, before);
    noctil::updateBadge(ns::str(kMessages), NO);
    return badge(kMessages);
  }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

TEST_F(BadgesTest, TheIconModelIsTheSharedOne) {
  EXPECT_EQ(noctil::iconModel(), send<id>(objc_lookUpClass("SBIconModel"), sel<"sharedInstance">()));
}

TEST_F(BadgesTest, OneRemovalLowersTheBadgeByOne) {
  EXPECT_EQ(afterOneRemoval("5"), "4");
  EXPECT_EQ(afterOneRemoval("2"), "1");
  EXPECT_EQ(afterOneRemoval("1"), "none");
  EXPECT_EQ(afterOneRemoval("120"), "119");
}

TEST_F(BadgesTest, ABadgeThatIsNoPositiveNumberStays) {
  EXPECT_EQ(afterOneRemoval(nullptr), "none");
  EXPECT_EQ(afterOneRemoval("0"), "0");
  EXPECT_EQ(afterOneRemoval("-3"), "-3");
  EXPECT_EQ(afterOneRemoval("New"), "New");
}

TEST_F(BadgesTest, ClearingRemovesAnyBadge) {
  for (const char* before : {"7", "1", "0", "New"}) {
    setBadge(kMessages, before);
    noctil::updateBadge(ns::str(kMessages), YES);
    EXPECT_EQ(badge(kMessages), "none") << before;
  }
}

TEST_F(BadgesTest, NoIconOrNoSectionChangesNothing) {
  setBadge(kMessages, "3");
  noctil::updateBadge(ns::str("com.example.not-installed"), NO);
  noctil::updateBadge(ns::str("com.example.not-installed"), YES);
  noctil::updateBadge(nil, NO);
  noctil::updateBadge(nil, YES);
  EXPECT_EQ(badge(kMessages), "3");
}

}  // namespace
