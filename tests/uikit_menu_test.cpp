// First-responder rules and the shared menu: becoming first responder asks
// canBecomeFirstResponder by message (a replaced answer counts), resigning, the chain
// of canPerformAction:withSender:, the items shown filtered by the first responder,
// performing an item, and the application and device objects.
#include "UIKitTesting.h"

#include <uikit/UIApplication.h>
#include <uikit/UIDevice.h>
#include <uikit/MenuAddOn.h>

using namespace uikit_testing;

namespace {

std::vector<std::string>& performed() {
  static std::vector<std::string> log;
  return log;
}
id gLastSender = nil;

BOOL yes(id, SEL) { return YES; }
BOOL no(id, SEL) { return NO; }
void doDelete(id, SEL, id sender) {
  performed().push_back("delete");
  gLastSender = sender;
}
void doClearAll(id, SEL, id sender) {
  performed().push_back("clearAll");
  gLastSender = sender;
}
void doCopy(id, SEL, id) { performed().push_back("copy"); }
// Answers YES for the two custom actions only when asked about them.
BOOL canPerformCustom(id self, SEL cmd, SEL action, id sender) {
  if (sel_isEqual(action, sel<"noctil_delete:">()) || sel_isEqual(action, sel<"noctil_clearAll:">())) return YES;
  return objc::sendSuper<BOOL>(self, objc::classNamed("UTMenuCell"), cmd, action, sender);
}

void registerClasses() {
  static bool done = [] {
    objc::ClassBuilder<UIViewIvars>("UTPlainView", uikit::UIViewClass()).registerClass();
    objc::ClassBuilder<UIViewIvars>("UTMenuCell", uikit::UIViewClass())
        .method<&yes>("canBecomeFirstResponder")
        .method<&doDelete>("noctil_delete:")
        .method<&doClearAll>("noctil_clearAll:")
        .method<&canPerformCustom>("canPerformAction:withSender:")
        .registerClass();
    objc::ClassBuilder<UIViewIvars>("UTStubborn", uikit::UIViewClass())
        .method<&yes>("canBecomeFirstResponder")
        .method<&no>("canResignFirstResponder")
        .method<&doCopy>("copy:")
        .registerClass();
    objc::ClassBuilder<UIApplicationIvars>("UTSpringBoard", uikit::UIApplicationClass()).registerClass();
    return true;
  }();
  (void)done;
}

id makeItem(const char* title, SEL action) {
  return objc::autorelease(send<id>(send<id>(uikit::UIMenuItemClass(), sel<"alloc">()), sel<"initWithTitle:action:">(),
                                    ns::str(title), action));
}

class MenuTest : public UIKitTest {
 protected:
  void SetUp() override {
    UIKitTest::SetUp();
    registerClasses();
    performed().clear();
    gLastSender = nil;
    window_ = makeWindow();
  }
  objc::Ref inWindow(const char* cls) {
    objc::Ref v = makeView(objc::classNamed(cls), CGRectMake(0, 0, 100, 44));
    send<void>(window_, sel<"addSubview:">(), v.get());
    return v;
  }
  objc::Ref window_;
};

TEST_F(MenuTest, FirstResponderRules) {
  objc::Ref plain = inWindow("UTPlainView");
  objc::Ref cell = inWindow("UTMenuCell");
  EXPECT_FALSE(send<BOOL>(plain, sel<"becomeFirstResponder">()));
  EXPECT_TRUE(send<BOOL>(cell, sel<"becomeFirstResponder">()));
  EXPECT_TRUE(send<BOOL>(cell, sel<"isFirstResponder">()));
  EXPECT_EQ(uikit::firstResponder(), cell.get());

  // A replaced canBecomeFirstResponder counts, as a tweak's replacement would.
  Class cls = objc::ClassBuilder<UIViewIvars>("UTReplaced", uikit::UIViewClass()).registerClass();
  class_addMethod(cls, sel<"canBecomeFirstResponder">(), objc::toImp(&no), "C@:");
  objc::Ref replaced = makeView(cls, CGRectZero);
  send<void>(window_, sel<"addSubview:">(), replaced.get());
  EXPECT_FALSE(send<BOOL>(replaced, sel<"becomeFirstResponder">()));
  method_setImplementation(class_getInstanceMethod(cls, sel<"canBecomeFirstResponder">()), objc::toImp(&yes));
  EXPECT_TRUE(send<BOOL>(replaced, sel<"becomeFirstResponder">()));
  EXPECT_FALSE(send<BOOL>(cell, sel<"isFirstResponder">()));

  // A responder that will not resign keeps the place.
  objc::Ref stubborn = inWindow("UTStubborn");
  EXPECT_TRUE(send<BOOL>(stubborn, sel<"becomeFirstResponder">()));
  EXPECT_FALSE(send<BOOL>(cell, sel<"becomeFirstResponder">()));
  EXPECT_FALSE(send<BOOL>(stubborn, sel<"resignFirstResponder">()));
  EXPECT_EQ(uikit::firstResponder(), stubborn.get());

  // A view outside any window cannot become first responder.
  objc::Ref loose = makeView(objc::classNamed("UTMenuCell"), CGRectZero);
  EXPECT_FALSE(send<BOOL>(loose, sel<"becomeFirstResponder">()));
  // Leaving the window gives up the place.
  method_setImplementation(class_getInstanceMethod(objc::classNamed("UTStubborn"), sel<"canResignFirstResponder">()),
                           objc::toImp(&yes));
  send<void>(stubborn, sel<"removeFromSuperview">());
  EXPECT_EQ(uikit::firstResponder(), nil);
  method_setImplementation(class_getInstanceMethod(objc::classNamed("UTStubborn"), sel<"canResignFirstResponder">()),
                           objc::toImp(&no));
}

TEST_F(MenuTest, CanPerformWalksTheResponderChain) {
  objc::Ref parent = inWindow("UTMenuCell");
  objc::Ref child = makeView(objc::classNamed("UTPlainView"), CGRectZero);
  send<void>(parent, sel<"addSubview:">(), child.get());
  EXPECT_EQ(send<id>(child, sel<"nextResponder">()), parent.get());
  EXPECT_TRUE(send<BOOL>(child, sel<"canPerformAction:withSender:">(), sel<"noctil_delete:">(), static_cast<id>(nil)));
  EXPECT_FALSE(send<BOOL>(child, sel<"canPerformAction:withSender:">(), sel<"paste:">(), static_cast<id>(nil)));
  EXPECT_EQ(send<id>(child, sel<"targetForAction:withSender:">(), sel<"noctil_clearAll:">(), static_cast<id>(nil)),
            parent.get());
  EXPECT_EQ(send<id>(window_, sel<"nextResponder">()), uikit::sharedApplication());
}

TEST_F(MenuTest, ShownItemsAreThoseTheFirstResponderCanPerform) {
  id menu = send<id>(uikit::UIMenuControllerClass(), sel<"sharedMenuController">());
  EXPECT_EQ(menu, uikit::sharedMenuController());
  EXPECT_FALSE(send<BOOL>(menu, sel<"respondsToSelector:">(), sel<"registerAction:title:canPerform:">()));
  std::vector<id> items{makeItem("Other", sel<"noctil_other:">()), makeItem("Delete", sel<"noctil_delete:">()),
                        makeItem("Clear All", sel<"noctil_clearAll:">())};
  send<void>(menu, sel<"setMenuItems:">(), send<id>(objc::classNamed("NSArray"), sel<"arrayWithObjects:count:">(),
                                                    items.data(), NSUInteger{items.size()}));
  EXPECT_EQ(objc::getIvar<SEL>(items[1], "_action").value(), sel<"noctil_delete:">());
  EXPECT_EQ(send<NSUInteger>(send<id>(menu, sel<"menuItems">()), sel<"count">()), 3u);

  // Without a first responder the menu does not show.
  send<void>(menu, sel<"setMenuVisible:animated:">(), static_cast<BOOL>(YES), static_cast<BOOL>(YES));
  EXPECT_FALSE(send<BOOL>(menu, sel<"isMenuVisible">()));

  objc::Ref cell = inWindow("UTMenuCell");
  ASSERT_TRUE(send<BOOL>(cell, sel<"becomeFirstResponder">()));
  send<void>(menu, sel<"setTargetRect:inView:">(), CGRectMake(0, 0, 100, 44), window_.get());
  send<void>(menu, sel<"setMenuVisible:animated:">(), static_cast<BOOL>(YES), static_cast<BOOL>(YES));
  EXPECT_TRUE(send<BOOL>(menu, sel<"isMenuVisible">()));
  EXPECT_EQ(uikit::visibleMenuItemTitles(), (std::vector<std::string>{"Delete", "Clear All"}));

  EXPECT_FALSE(uikit::performVisibleMenuItem("Other").ok());
  ASSERT_TRUE(uikit::performVisibleMenuItem("Clear All").ok());
  EXPECT_EQ(performed(), std::vector<std::string>{"clearAll"});
  EXPECT_EQ(gLastSender, menu);
  EXPECT_FALSE(send<BOOL>(menu, sel<"isMenuVisible">()));
  EXPECT_FALSE(uikit::performVisibleMenuItem("Delete").ok());

  // A responder implementing copy: gets the standard item first; a change of first
  // responder hides the menu.
  objc::Ref stubborn = inWindow("UTStubborn");
  ASSERT_TRUE(send<BOOL>(stubborn, sel<"becomeFirstResponder">()));
  send<void>(menu, sel<"setMenuVisible:">(), static_cast<BOOL>(YES));
  EXPECT_EQ(uikit::visibleMenuItemTitles(), std::vector<std::string>{"Copy"});
  method_setImplementation(class_getInstanceMethod(objc::classNamed("UTStubborn"), sel<"canResignFirstResponder">()),
                           objc::toImp(&yes));
  ASSERT_TRUE(send<BOOL>(cell, sel<"becomeFirstResponder">()));
  EXPECT_FALSE(send<BOOL>(menu, sel<"isMenuVisible">()));
  method_setImplementation(class_getInstanceMethod(objc::classNamed("UTStubborn"), sel<"canResignFirstResponder">()),
                           objc::toImp(&no));

  // The list is replaced whole.
  send<void>(menu, sel<"setMenuItems:">(), static_cast<id>(nil));
  send<void>(menu, sel<"setMenuVisible:">(), static_cast<BOOL>(YES));
  EXPECT_FALSE(send<BOOL>(menu, sel<"isMenuVisible">()));
  EXPECT_TRUE(uikit::visibleMenuItemTitles().empty());
}

// The menu add-on some devices carry: absent until installed, then answering its
// selector and recording registrations; uninstalled, absent again to respondsToSelector:
// and a send of it stops the process like an unanswered send.
TEST_F(MenuTest, TheMenuAddOnIsAnsweredOnlyWhileInstalled) {
  id menu = uikit::sharedMenuController();
  SEL registerAction = sel<"registerAction:title:canPerform:">();
  EXPECT_FALSE(send<BOOL>(menu, sel<"respondsToSelector:">(), registerAction));

  uikit::setMenuAddOnInstalled(true);
  EXPECT_TRUE(send<BOOL>(menu, sel<"respondsToSelector:">(), registerAction));
  EXPECT_TRUE(send<BOOL>(menu, sel<"respondsToSelector:">(), sel<"setMenuVisible:animated:">()));
  send<void>(menu, registerAction, sel<"share:">(), ns::str("Share"), static_cast<id>(nil));
  ASSERT_EQ(uikit::menuAddOnRegistrations().size(), 1u);
  EXPECT_EQ(uikit::menuAddOnRegistrations()[0].action, "share:");
  EXPECT_EQ(uikit::menuAddOnRegistrations()[0].title, "Share");

  uikit::setMenuAddOnInstalled(false);
  EXPECT_FALSE(send<BOOL>(menu, sel<"respondsToSelector:">(), registerAction));
  EXPECT_TRUE(send<BOOL>(menu, sel<"respondsToSelector:">(), sel<"menuItems">()));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(send<void>(menu, registerAction, sel<"share:">(), ns::str("Share"), static_cast<id>(nil)),
               "unrecognized selector -registerAction:title:canPerform: sent to instance UIMenuController");
}

TEST_F(MenuTest, ApplicationAndDevice) {
  uikit::resetSharedApplication();
  auto app = uikit::makeSharedApplication(objc::classNamed("UTSpringBoard"));
  ASSERT_TRUE(app.ok());
  EXPECT_EQ(send<id>(uikit::UIApplicationClass(), sel<"sharedApplication">()), app.value());
  EXPECT_STREQ(objc::className(uikit::sharedApplication()), "UTSpringBoard");
  EXPECT_FALSE(uikit::makeSharedApplication(uikit::UIApplicationClass()).ok());
  EXPECT_FALSE(uikit::makeSharedApplication(uikit::UIViewClass()).ok());
  EXPECT_EQ(objc::allocInit(uikit::UIApplicationClass()), nil);  // a second application is refused

  EXPECT_EQ(send<NSInteger>(app.value(), sel<"activeInterfaceOrientation">()), 1);
  uikit::setInterfaceOrientation(UIInterfaceOrientationLandscapeRight);
  EXPECT_EQ(send<NSInteger>(app.value(), sel<"activeInterfaceOrientation">()), 3);
  EXPECT_EQ(send<NSInteger>(app.value(), sel<"statusBarOrientation">()), 3);
  uikit::setInterfaceOrientation(UIInterfaceOrientationPortrait);

  uikit::clearOpenedURLs();
  id url = send<id>(objc::classNamed("NSURL"), sel<"URLWithString:">(), ns::str("sms:123"));
  EXPECT_TRUE(send<BOOL>(app.value(), sel<"openURL:">(), url));
  EXPECT_FALSE(send<BOOL>(app.value(), sel<"openURL:">(), static_cast<id>(nil)));
  EXPECT_EQ(uikit::openedURLs(), std::vector<std::string>{"sms:123"});
  EXPECT_EQ(send<id>(app.value(), sel<"keyWindow">()), window_.get());

  id device = send<id>(uikit::UIDeviceClass(), sel<"currentDevice">());
  uikit::setSystemVersion("7.0.4");
  uikit::setUserInterfaceIdiom(UIUserInterfaceIdiomPad);
  EXPECT_EQ(text(send<id>(device, sel<"systemVersion">())), "7.0.4");
  EXPECT_EQ(send<NSInteger>(device, sel<"userInterfaceIdiom">()), 1);
  EXPECT_EQ(text(send<id>(device, sel<"model">())), "iPad");
  uikit::setUserInterfaceIdiom(UIUserInterfaceIdiomPhone);
  uikit::setSystemVersion("7.0");
  uikit::resetSharedApplication();
}

}  // namespace
