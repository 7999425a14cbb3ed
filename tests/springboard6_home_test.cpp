// The iOS 6 home screen around the lock screen: launching through the runtime, the
// device and screen it plays, apps coming to the front (refused while locked), URLs,
// rotation, the icon model and badges, ChatKit inside SpringBoard, the screen
// snapshot and the telephony server's call notification.
#include "HomeScreen6Fixture.h"

#include <chatkit/ChatKit.h>
#include <chatkit/MessageStore.h>
#include <foundation/NSArray.h>
#include <telephony/Telephony.h>
#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>
#include <uikit/UIView.h>

using namespace sb6_testing;

namespace {

IMP gFinishLaunching = nullptr;
IMP gFrontDisplayDidChange = nullptr;
IMP gOrientationChanged = nullptr;
IMP gCallNotification = nullptr;

void recordingFinishLaunching(id self, SEL cmd) {
  calls().push_back(std::string("finishLaunching locked=") +
                    (send<BOOL>(awayController(), sel<"isLocked">()) ? "YES" : "NO"));
  objc::callImp<void>(gFinishLaunching, self, cmd);
}
void recordingFrontDisplayDidChange(id self, SEL cmd) {
  id front = send<id>(self, sel<"_accessibilityFrontMostApplication">());
  calls().push_back("frontDisplayDidChange " + (front ? text(send<id>(front, sel<"displayIdentifier">())) : "home"));
  objc::callImp<void>(gFrontDisplayDidChange, self, cmd);
}
void recordingOrientationChanged(id self, SEL cmd, NSInteger orientation) {
  calls().push_back("noteInterfaceOrientationChanged: " + std::to_string(orientation));
  objc::callImp<void>(gOrientationChanged, self, cmd, orientation);
}
void recordingCallNotification(id self, SEL cmd, void* connection, id type, id info) {
  id status = send<id>(info, sel<"objectForKey:">(), ns::str("kCTCallStatus"));
  calls().push_back(text(type) + " " + std::to_string(send<int>(status, sel<"intValue">())));
  objc::callImp<void>(gCallNotification, self, cmd, connection, type, info);
}

class Springboard6HomeTest : public HomeScreen6Test {
 protected:
  static void SetUpTestSuite() {
    HomeScreen6Test::SetUpTestSuite();
    replaceOnce("SBUIController", "finishLaunching", objc::toImp(&recordingFinishLaunching), gFinishLaunching);
    replaceOnce("SpringBoard", "frontDisplayDidChange", objc::toImp(&recordingFrontDisplayDidChange),
                gFrontDisplayDidChange);
    replaceOnce("SpringBoard", "noteInterfaceOrientationChanged:", objc::toImp(&recordingOrientationChanged),
                gOrientationChanged);
    replaceOnce("CTCallCenter", "handleNotificationFromConnection:ofType:withInfo:",
                objc::toImp(&recordingCallNotification), gCallNotification);
  }
  id url(const char* s) { return send<id>(classObject("NSURL"), sel<"URLWithString:">(), ns::str(s)); }
  id app(const char* bundleID) {
    return send<id>(send<id>(classObject("SBApplicationController"), sel<"sharedInstance">()),
                    sel<"applicationWithDisplayIdentifier:">(), ns::str(bundleID));
  }
};

TEST_F(Springboard6HomeTest, LaunchingPlaysAnIOS61PhoneAndSendsFinishLaunchingThroughTheRuntime) {
  launch();
  EXPECT_EQ(calls(), (std::vector<std::string>{"finishLaunching locked=NO"}));
  EXPECT_STREQ(objc::className(application()), "SpringBoard");
  id device = send<id>(classObject("UIDevice"), sel<"currentDevice">());
  EXPECT_EQ(text(send<id>(device, sel<"systemVersion">())), "6.1");
  EXPECT_EQ(send<NSInteger>(device, sel<"userInterfaceIdiom">()), 0);
  CGRect bounds = send<CGRect>(send<id>(classObject("UIScreen"), sel<"mainScreen">()), sel<"bounds">());
  EXPECT_EQ(bounds.size.width, 320);
  EXPECT_EQ(bounds.size.height, 480);
  EXPECT_EQ(send<CGFloat>(send<id>(classObject("UIScreen"), sel<"mainScreen">()), sel<"scale">()), 2.0);
  // The home screen: the wallpaper and icons in the first subview of the root view.
  id root = send<id>(uiController(), sel<"rootView">());
  id content = uikit::subviewsOf(root).front();
  EXPECT_EQ(send<id>(objc::objectIvar(uiController(), "_wallpaperView"), sel<"superview">()), content);
  EXPECT_EQ(send<id>(objc::objectIvar(uiController(), "_iconsView"), sel<"superview">()), content);
  EXPECT_EQ(send<id>(root, sel<"window">()), send<id>(uiController(), sel<"window">()));
}

TEST_F(Springboard6HomeTest, ABootOnTheLockScreenRunsFinishLaunchingLockedOnAnIPad) {
  sb6::Device device;
  device.ipad = true;
  device.startLocked = true;
  launch(device);
  EXPECT_EQ(calls(), (std::vector<std::string>{"finishLaunching locked=YES"}));
  EXPECT_TRUE(sb6::isLocked());
  EXPECT_FALSE(sb6::isScreenDark());
  EXPECT_FALSE(sb6::statusBarShowsTime());
  EXPECT_TRUE(sb6::takeSounds().empty());  // no lock sound at a boot
  id device6 = send<id>(classObject("UIDevice"), sel<"currentDevice">());
  EXPECT_EQ(send<NSInteger>(device6, sel<"userInterfaceIdiom">()), 1);
  CGRect bounds = send<CGRect>(send<id>(classObject("UIScreen"), sel<"mainScreen">()), sel<"bounds">());
  EXPECT_EQ(bounds.size.width, 768);
  EXPECT_EQ(bounds.size.height, 1024);
  // The home screen is put away under the lock screen, and comes back at the unlock.
  id root = send<id>(uiController(), sel<"rootView">());
  EXPECT_EQ(send<CGFloat>(root, sel<"alpha">()), 0);
  EXPECT_EQ(send<id>(objc::objectIvar(uiController(), "_iconsView"), sel<"superview">()), nil);
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  EXPECT_EQ(send<CGFloat>(root, sel<"alpha">()), 1);
  EXPECT_NE(send<id>(objc::objectIvar(uiController(), "_iconsView"), sel<"superview">()), nil);
}

TEST_F(Springboard6HomeTest, AppsComeToTheFrontAndLeaveWithFrontDisplayDidChange) {
  launch();
  ASSERT_TRUE(sb6::openApplication("com.apple.mobilemail").ok());
  EXPECT_EQ(sb6::frontApplication(), "com.apple.mobilemail");
  EXPECT_EQ(sb6::lastOpened(), "com.apple.mobilemail");
  // The app's display is in SBUIController's window, its description naming the app.
  int displays = 0;
  for (id v : uikit::subviewsOf(send<id>(uiController(), sel<"window">())))
    displays += describe(v).find("com.apple.mobilemail") != std::string::npos;
  EXPECT_EQ(displays, 1);
  ASSERT_TRUE(sb6::pressHome().ok());
  EXPECT_EQ(sb6::frontApplication(), std::nullopt);
  EXPECT_EQ(calls(), (std::vector<std::string>{"finishLaunching locked=NO", "frontDisplayDidChange com.apple.mobilemail",
                                               "frontDisplayDidChange home"}));
  EXPECT_FALSE(sb6::openApplication("com.example.missing").ok());
  EXPECT_EQ(send<id>(application(), sel<"_accessibilityFrontMostApplication">()), nil);
  // SpringBoard's status bar, hidden over an app, is back on the home screen.
  ASSERT_TRUE(sb6::openApplication("com.apple.mobilemail").ok());
  send<void>(application(), sel<"hideSpringBoardStatusBar">());
  EXPECT_EQ(sb6::window(sb6::WindowKind::StatusBar), nil);
  ASSERT_TRUE(sb6::pressHome().ok());
  EXPECT_NE(sb6::window(sb6::WindowKind::StatusBar), nil);
}

TEST_F(Springboard6HomeTest, URLsOpenInTheAppOfTheirSchemeButNothingOpensWhileLocked) {
  launch();
  send<void>(application(), sel<"applicationOpenURL:">(), url("sms:+15550100"));
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");
  EXPECT_EQ(sb6::frontApplication(), "com.apple.MobileSMS");
  send<void>(application(), sel<"applicationOpenURL:">(), url("unknown-scheme:x"));  // no app for it
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");
  ASSERT_TRUE(sb6::pressHome().ok());
  ASSERT_TRUE(sb6::lock().ok());
  calls().clear();
  send<void>(application(), sel<"applicationOpenURL:">(), url("mailto:a@example.invalid"));
  send<void>(uiController(), sel<"activateApplicationAnimated:">(), app("com.apple.mobilemail"));
  EXPECT_EQ(sb6::lastOpened(), "sms:+15550100");
  EXPECT_EQ(sb6::frontApplication(), std::nullopt);
  EXPECT_TRUE(calls().empty());  // no front display change
  EXPECT_FALSE(sb6::openApplication("com.apple.mobilemail").ok());
  // SBApplicationController knows installed apps only.
  EXPECT_EQ(app("com.example.missing"), nil);
  EXPECT_EQ(text(send<id>(app("com.apple.MobileSMS"), sel<"displayIdentifier">())), "com.apple.MobileSMS");
  EXPECT_EQ(app("com.apple.MobileSMS"), app("com.apple.MobileSMS"));
}

TEST_F(Springboard6HomeTest, RotationChangesTheActiveOrientationAndTellsSpringBoard) {
  launch();
  EXPECT_EQ(send<NSInteger>(application(), sel<"activeInterfaceOrientation">()), 1);
  calls().clear();
  ASSERT_TRUE(sb6::rotate(3).ok());
  EXPECT_EQ(send<NSInteger>(application(), sel<"activeInterfaceOrientation">()), 3);
  EXPECT_EQ(calls(), (std::vector<std::string>{"noteInterfaceOrientationChanged: 3"}));
  EXPECT_FALSE(sb6::rotate(5).ok());
}

TEST_F(Springboard6HomeTest, BadgesLiveOnTheSharedIconModelAndSurviveARestart) {
  launch();
  id model = send<id>(classObject("SBIconModel"), sel<"sharedInstance">());
  id viaMap = send<id>(send<id>(classObject("SBIconViewMap"), sel<"homescreenMap">()), sel<"iconModel">());
  EXPECT_EQ(model, viaMap);
  id icon = send<id>(model, sel<"applicationIconForDisplayIdentifier:">(), ns::str("com.apple.MobileSMS"));
  ASSERT_NE(icon, nil);
  send<void>(icon, sel<"setBadge:">(), ns::str("5"));
  EXPECT_EQ(send<NSInteger>(icon, sel<"badgeValue">()), 5);
  EXPECT_EQ(sb6::badge("com.apple.MobileSMS"), 5);
  sb6::shutdown();
  launch();
  EXPECT_EQ(sb6::badge("com.apple.MobileSMS"), 5);
  ASSERT_TRUE(sb6::setBadge("com.apple.MobileSMS", std::nullopt).ok());
  EXPECT_EQ(sb6::badge("com.apple.MobileSMS"), std::nullopt);
  model = send<id>(classObject("SBIconModel"), sel<"sharedInstance">());  // the new launch's
  EXPECT_EQ(send<id>(model, sel<"applicationIconForDisplayIdentifier:">(), ns::str("com.example.none")), nil);
}

TEST_F(Springboard6HomeTest, SpringBoardMarksMessagesReadInTheMessagesStore) {
  ck::resetConversationList();
  ASSERT_TRUE(ck::addMessage("+15550100", 7, "hello").ok());
  launch();
  id list = send<id>(classObject("CKConversationList"), sel<"sharedConversationList">());
  id conversation = send<id>(list, sel<"conversationForExistingChatWithAddresses:">(), ns::array({ns::str("+15550100")}));
  ASSERT_NE(conversation, nil);
  id message = nil;
  for (id m : ns::elements(send<id>(conversation, sel<"messages">())))
    if (send<NSInteger>(m, sel<"rowID">()) == 7) message = m;
  ASSERT_NE(message, nil);
  send<void>(message, sel<"markAsRead">());
  send<void>(conversation, sel<"updateMessage:">(), message);
  auto read = ck::isMessageRead(7);
  ASSERT_TRUE(read.ok());
  EXPECT_TRUE(read.value());
  ck::resetConversationList();
}

TEST_F(Springboard6HomeTest, TheScreenSnapshotIsAPictureOfTheScreenAsDrawnNow) {
  launch();
  ASSERT_TRUE(sb6::lock().ok());
  id surface = send<id>(classObject("UIWindow"), sel<"createScreenIOSurface">());
  ASSERT_NE(surface, nil);
  id image = send<id>(send<id>(classObject("UIImage"), sel<"alloc">()), sel<"_initWithIOSurface:scale:orientation:">(),
                      surface, CGFloat{2.0}, NSInteger{0});
  objc::release(surface);
  ASSERT_NE(image, nil);
  CGSize size = send<CGSize>(image, sel<"size">());
  EXPECT_EQ(size.width, 320);
  EXPECT_EQ(size.height, 480);
  // The middle of the lock screen is its dark blue background, the status bar black.
  uikit::Rgba middle = uikit::pixelAt(image, 320, 400);
  EXPECT_GT(middle.b, middle.r);
  uikit::Rgba bar = uikit::pixelAt(image, 10, 40);
  EXPECT_LT(bar.r + bar.g + bar.b, 90);
  objc::release(image);
  ASSERT_TRUE(sb6::sleep().ok());  // a dark screen is black
  surface = send<id>(classObject("UIWindow"), sel<"createScreenIOSurface">());
  image = send<id>(send<id>(classObject("UIImage"), sel<"alloc">()), sel<"_initWithIOSurface:scale:orientation:">(),
                   surface, CGFloat{2.0}, NSInteger{0});
  objc::release(surface);
  uikit::Rgba dark = uikit::pixelAt(image, 320, 400);
  EXPECT_EQ(dark.r + dark.g + dark.b, 0);
  objc::release(image);
}

TEST_F(Springboard6HomeTest, AnIncomingCallReachesSpringBoardsCallCenterAndRings) {
  launch();
  ASSERT_TRUE(sb6::sleep().ok());
  calls().clear();
  sb6::takeSounds();
  ASSERT_TRUE(sb6::incomingCall().ok());
  EXPECT_EQ(calls(), (std::vector<std::string>{"kCTCallStatusChangeNotification 4"}));
  EXPECT_EQ(sb6::takeSounds(), (std::vector<std::string>{"ringtone"}));
  EXPECT_FALSE(sb6::isScreenDark());
  id manager = send<id>(classObject("SBTelephonyManager"), sel<"sharedTelephonyManager">());
  EXPECT_TRUE(send<BOOL>(manager, sel<"incomingCallExists">()));
  EXPECT_EQ(send<NSUInteger>(send<id>(send<id>(manager, sel<"callCenter">()), sel<"currentCalls">()), sel<"count">()), 1u);
  ASSERT_TRUE(sb6::callEnded().ok());
  EXPECT_FALSE(send<BOOL>(manager, sel<"incomingCallExists">()));
  EXPECT_EQ(send<id>(send<id>(manager, sel<"callCenter">()), sel<"currentCalls">()), nil);
}

}  // namespace
