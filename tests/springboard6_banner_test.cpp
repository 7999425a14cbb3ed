// Banners on the iOS 6 home screen: a notification arriving while unlocked slides in
// as a banner through SBBulletinBannerController's _presentBannerForItem:, leaves by
// itself after a few seconds (under the manual clock), the next one waiting its turn
// comes through SBBannerController's _presentBannerForItem:existingDismissReason:, a
// tap performs the notification's action through _handleBannerTapGesture:, the
// dismiss calls take it away, and none shows while locked or with the list shown.
#include "HomeScreen6Fixture.h"

#include <bulletinboard/BulletinBoard.h>
#include <uikit/Simulation.h>

using namespace sb6_testing;

namespace {

constexpr const char* kSMS = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";

IMP gPresent = nullptr, gPresentExisting = nullptr, gTap = nullptr, gTryDismiss = nullptr;

std::string messageOf(id item) { return text(send<id>(send<id>(item, sel<"seedBulletin">()), sel<"message">())); }

void onPresent(id self, SEL cmd, id item) {
  calls().push_back("_presentBannerForItem: " + messageOf(item));
  objc::callImp<void>(gPresent, self, cmd, item);
}
void onPresentExisting(id self, SEL cmd, id item, NSInteger reason) {
  calls().push_back("_presentBannerForItem:existingDismissReason: " + messageOf(item) + " " + std::to_string(reason));
  objc::callImp<void>(gPresentExisting, self, cmd, item, reason);
}
void onTap(id self, SEL cmd, id recognizer) {
  calls().push_back("_handleBannerTapGesture:");
  objc::callImp<void>(gTap, self, cmd, recognizer);
}
void onTryDismiss(id self, SEL cmd, BOOL animated) {
  calls().push_back(std::string("_tryToDismissBannerWithAnimation: ") + (animated ? "YES" : "NO"));
  objc::callImp<void>(gTryDismiss, self, cmd, animated);
}

class Springboard6BannerTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    replaceOnce("SBBulletinBannerController", "_presentBannerForItem:", objc::toImp(&onPresent), gPresent);
    replaceOnce("SBBannerController", "_presentBannerForItem:existingDismissReason:", objc::toImp(&onPresentExisting),
                gPresentExisting);
    replaceOnce("SBBulletinBannerController", "_handleBannerTapGesture:", objc::toImp(&onTap), gTap);
    replaceOnce("SBBannerController", "_tryToDismissBannerWithAnimation:", objc::toImp(&onTryDismiss), gTryDismiss);
  }
  id banners() { return send<id>(classObject("SBBannerController"), sel<"sharedInstance">()); }
  id bulletinBanners() { return send<id>(classObject("SBBulletinBannerController"), sel<"sharedInstance">()); }
  id bannerView() { return objc::objectIvar(objc::objectIvar(banners(), "_bannerAndShadowView"), "_banner"); }
  void wait(double seconds) { uikit::sim::letTimePass(seconds); }
};

TEST_F(Springboard6BannerTest, ANotificationWhileUnlockedSlidesInAsABannerAndLeavesByItself) {
  launch();
  calls().clear();
  post(kSMS, "see you at 8");
  EXPECT_TRUE(sb6::isBannerShown());
  EXPECT_EQ(calls(), (std::vector<std::string>{"_presentBannerForItem: see you at 8"}));
  id banner = bannerView();
  ASSERT_NE(banner, nil);
  EXPECT_TRUE(describe(banner).find("SBBulletinBannerView") != std::string::npos);
  CGRect frame = send<CGRect>(banner, sel<"frame">());
  EXPECT_EQ(frame.size.width, 320);
  EXPECT_EQ(frame.size.height, 40);
  id window = sb6::window(sb6::WindowKind::Banner);
  ASSERT_NE(window, nil);
  EXPECT_EQ(send<id>(banner, sel<"window">()), window);
  EXPECT_EQ(send<CGFloat>(window, sel<"windowLevel">()), 1010) << "over the status bar";
  EXPECT_EQ(text(send<id>(objc::objectIvar(banner, "_titleLabel"), sel<"text">())), "Messages");
  EXPECT_EQ(text(send<id>(objc::objectIvar(banner, "_messageLabel"), sel<"text">())), "see you at 8");

  wait(5.0);
  EXPECT_TRUE(sb6::isBannerShown()) << "it stays a few seconds";
  wait(0.5);
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(calls().back(), "_tryToDismissBannerWithAnimation: YES");
  wait(0.5);
  EXPECT_EQ(objc::objectIvar(banners(), "_bannerAndShadowView"), nil);
  EXPECT_EQ(sb6::window(sb6::WindowKind::Banner), nil);
}

TEST_F(Springboard6BannerTest, TheNextBannerWaitsItsTurnAndIsToldWhyTheOneBeforeWent) {
  launch();
  calls().clear();
  post(kSMS, "first");
  post(kMail, "second");
  EXPECT_EQ(calls(), (std::vector<std::string>{"_presentBannerForItem: first"}));
  wait(5.7);
  EXPECT_TRUE(sb6::isBannerShown());
  EXPECT_EQ(calls().back(), "_presentBannerForItem:existingDismissReason: second 1");
  EXPECT_EQ(messageOf(send<id>(bannerView(), sel<"item">())), "second");
  wait(6.0);
  EXPECT_FALSE(sb6::isBannerShown());
}

TEST_F(Springboard6BannerTest, ATapPerformsTheNotificationsActionAndTakesTheBannerAway) {
  launch();
  post(kSMS, "text me", "sms:+15550002");
  calls().clear();
  ASSERT_TRUE(sb6::tapBanner(CGPointMake(100, 20)).ok());
  EXPECT_EQ(calls().front(), "_handleBannerTapGesture:");
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550002");
  EXPECT_EQ(sb6::frontApplication(), kSMS);
  EXPECT_FALSE(sb6::tapBanner(CGPointMake(100, 20)).ok()) << "no banner now";
}

TEST_F(Springboard6BannerTest, TheDismissCallsTakeTheBannerAwayAndAWithdrawnOneLeaves) {
  launch();
  post(kSMS, "one");
  send<void>(bulletinBanners(), sel<"dismissBannerWithAnimation:">(), BOOL{YES});
  EXPECT_FALSE(sb6::isBannerShown());
  wait(0.4);
  post(kSMS, "two");
  ASSERT_TRUE(sb6::isBannerShown());
  send<void>(banners(), sel<"_tryToDismissBannerWithAnimation:">(), BOOL{NO});
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(objc::objectIvar(banners(), "_bannerAndShadowView"), nil);
  send<void>(banners(), sel<"_tryToDismissBannerWithAnimation:">(), BOOL{YES});  // none: nothing happens

  std::string id3 = post(kMail, "three");
  ASSERT_TRUE(sb6::isBannerShown());
  ASSERT_TRUE(bb::BulletinServer::shared().withdraw(id3));
  sb6::settle();
  EXPECT_FALSE(sb6::isBannerShown());
}

TEST_F(Springboard6BannerTest, NoBannerWhileLockedOrWhileTheListIsShown) {
  launch();
  ASSERT_TRUE(sb6::lock().ok());
  calls().clear();
  post(kSMS, "locked");
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_TRUE(calls().empty());
  // Unlock by the lock bar; then with the list down nothing shows either.
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_FALSE(sb6::isLocked());
  post(kSMS, "unlocked");
  ASSERT_TRUE(sb6::isBannerShown());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_FALSE(sb6::isBannerShown()) << "the banner gives way to the list";
  post(kMail, "listed");
  EXPECT_FALSE(sb6::isBannerShown());
  EXPECT_EQ(sb6::rowCount(sb6::List::NotificationCenter, kMail), 1);
}

}  // namespace
