// The three modes of Notification Center.  Each is a bulletin observer (its _observer
// is a BBObserver of the Notification Center feed) that puts the bulletins it shows
// into its own SBBulletinViewController: Today the calendar and reminders, All every
// notification in one section per app, Missed the last day's notifications in one
// section.  SBNotificationsAllModeViewController only inherits its behaviour.
#include "BulletinViewController.h"
#include "Classes.h"
#include "Common.h"

#include <bulletinboard/BulletinBoard.h>
#include <foundation/Clock.h>
#include <foundation/RunLoop.h>
#include <uikit/UIViewController.h>

namespace sb7::detail {
namespace {

constexpr double kMissedWindow = 24 * 3600;

struct ObserverVCIvars : UIViewControllerIvars {
  id _observer;                 // retained BBObserver
  id _bulletinViewController;   // retained
  id _sectionIDsToSectionInfo;  // NSMutableDictionary: section ID → SBNotificationsSectionInfo
};

ObserverVCIvars* ovc(id self) { return objc::ivars<ObserverVCIvars>(self); }
Class ovcClass() { return objc::classNamed("SBBulletinObserverViewController"); }

id ovcInitWithFeed(id self, SEL, NSUInteger feed) {
  self = objc::sendSuper<id>(self, ovcClass(), sel<"init">());
  if (!self) return nil;
  ovc(self)->_sectionIDsToSectionInfo = objc::retain(mutableDictionary());
  ovc(self)->_bulletinViewController = newObject("SBBulletinViewController");
  send<void>(ovc(self)->_bulletinViewController, sel<"setDelegate:">(), self);
  ovc(self)->_observer = newObject("BBObserver");
  send<void>(ovc(self)->_observer, sel<"setObserverFeed:">(), feed);
  send<void>(ovc(self)->_observer, sel<"setDelegate:">(), self);
  return self;
}

id ovcInit(id self, SEL) { return send<id>(self, sel<"initWithObserverFeed:">(), bb::kFeedNotificationCenter); }

id ovcBulletinViewController(id self, SEL) { return ovc(self)->_bulletinViewController; }

void ovcLoadView(id self, SEL) {
  CGRect frame = CGRectMake(0, 0, kScreenWidth, kScreenHeight - kNotificationCenterHeaderHeight);
  id view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  id list = send<id>(ovc(self)->_bulletinViewController, sel<"view">());
  send<void>(list, sel<"setFrame:">(), CGRectMake(0, 0, frame.size.width, frame.size.height));
  send<void>(view, sel<"addSubview:">(), list);
  send<void>(self, sel<"setView:">(), view);
  objc::release(view);
}

// Appearance reaches the list inside (one function for the four appearance methods).
void forwardAppearance(id self, SEL cmd, BOOL animated) {
  objc::sendSuper<void>(self, ovcClass(), cmd, animated);
  send<void>(ovc(self)->_bulletinViewController, cmd, animated);
}

BOOL ovcShouldShowBulletin(id, SEL, id) { return YES; }

// The section of the mode's list a bulletin belongs in: one per app, made on first use.
id ovcSectionInfoForBulletin(id self, SEL, id bulletin) {
  id sectionID = send<id>(bulletin, sel<"sectionID">());
  if (sectionID == nil) return nil;
  id info = send<id>(ovc(self)->_sectionIDsToSectionInfo, sel<"objectForKey:">(), sectionID);
  if (info) return info;
  objc::Ref listSection = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBBulletinListSection"), sel<"alloc">()),
                                                    sel<"initWithSectionID:displayName:">(), sectionID,
                                                    str(appDisplayName(text(sectionID)))));
  objc::Ref made = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBNotificationsSectionInfo"), sel<"alloc">()),
                                             sel<"initWithIdentifier:listSection:">(), sectionID, listSection.get()));
  send<void>(ovc(self)->_sectionIDsToSectionInfo, sel<"setObject:forKey:">(), made.get(), sectionID);
  return made.get();
}

void ovcAddBulletin(id self, SEL, id, id bulletin, NSUInteger) {
  if (bulletin == nil || !send<BOOL>(self, sel<"_shouldShowBulletin:">(), bulletin)) return;
  id info = send<id>(self, sel<"_sectionInfoForBulletin:">(), bulletin);
  if (info) send<void>(ovc(self)->_bulletinViewController, sel<"addBulletin:toSection:">(), bulletin, info);
}

// A removal takes the bulletin out of the mode's list; a section the list no longer
// shows is forgotten, so it is made afresh (at the top) by its next bulletin.
void ovcRemoveBulletin(id self, SEL, id, id bulletin) {
  if (bulletin == nil) return;
  objc::Ref keep = objc::Ref::retain(bulletin);
  send<BOOL>(ovc(self)->_bulletinViewController, sel<"removeBulletin:">(), bulletin);
  id infos = ovc(self)->_sectionIDsToSectionInfo;
  for (id key : elements(send<id>(infos, sel<"allKeys">()))) {
    id info = send<id>(infos, sel<"objectForKey:">(), key);
    id shown = send<id>(ovc(self)->_bulletinViewController, sel<"sectionWithIdentifier:">(),
                        send<id>(info, sel<"identifier">()));
    if (shown != info) send<void>(infos, sel<"removeObjectForKey:">(), key);
  }
}

// The clear button: the bulletin server withdraws the section's notifications.
void ovcRequestsClearingSection(id self, SEL, id, id info) {
  id sectionID = send<id>(send<id>(info, sel<"representedListSection">()), sel<"sectionID">());
  send<void>(ovc(self)->_observer, sel<"clearSection:">(), sectionID);
}

void ovcDealloc(id self, SEL cmd) {
  send<void>(ovc(self)->_observer, sel<"invalidate">());
  send<void>(ovc(self)->_bulletinViewController, sel<"setDelegate:">(), id{nil});
  clear(ovc(self)->_observer);
  clear(ovc(self)->_bulletinViewController);
  clear(ovc(self)->_sectionIDsToSectionInfo);
  objc::sendSuper<void>(self, ovcClass(), cmd);
}

// ---- Today ----

BOOL todayShouldShowBulletin(id, SEL, id bulletin) {
  std::string section = text(send<id>(bulletin, sel<"sectionID">()));
  return section == "com.apple.mobilecal" || section == "com.apple.reminders" ? YES : NO;
}

// ---- Missed ----

struct MissedVCIvars : ObserverVCIvars {
  id _missedSectionInfo;  // retained
};

BOOL missedShouldShowBulletin(id, SEL, id bulletin) {
  return ns::now() - bulletinDate(bulletin) <= kMissedWindow ? YES : NO;
}

id missedSectionInfoForBulletin(id self, SEL, id) {
  auto* m = objc::ivars<MissedVCIvars>(self);
  if (m->_missedSectionInfo == nil) {
    objc::Ref listSection = objc::Ref::adopt(
        send<id>(send<id>(objc::classNamed("SBBulletinListSection"), sel<"alloc">()),
                 sel<"initWithSectionID:displayName:">(), str(kMissedSectionIdentifier), str("Missed")));
    m->_missedSectionInfo =
        send<id>(send<id>(objc::classNamed("SBNotificationsMissedModeSectionInfo"), sel<"alloc">()),
                 sel<"initWithIdentifier:listSection:">(), str(kMissedSectionIdentifier), listSection.get());
  }
  return m->_missedSectionInfo;
}

// Clearing the Missed list only empties this list (the notifications stay in the
// others); like the server's removals, it happens on the next turn of the run loop.
void missedRequestsClearingSection(id self, SEL, id, id info) {
  objc::Ref keepSelf = objc::Ref::retain(self);
  objc::Ref keepInfo = objc::Ref::retain(info);
  ns::RunLoop::main().perform([keepSelf, keepInfo] {
    std::vector<objc::Ref> shown;
    for (id b : elements(send<id>(send<id>(keepInfo.get(), sel<"representedListSection">()), sel<"bulletins">()))) {
      shown.push_back(objc::Ref::retain(b));
    }
    for (const auto& b : shown) {
      send<void>(keepSelf.get(), sel<"observer:removeBulletin:">(), ovc(keepSelf)->_observer, b.get());
    }
  });
}

void missedDealloc(id self, SEL cmd) {
  clear(objc::ivars<MissedVCIvars>(self)->_missedSectionInfo);
  objc::sendSuper<void>(self, objc::classNamed("SBNotificationsMissedModeViewController"), cmd);
}

}  // namespace

void registerModeClasses() {
  Class observerVC = objc::ClassBuilder<ObserverVCIvars>("SBBulletinObserverViewController",
                                                         objc::classNamed("UIViewController"))
                         .ivar<&ObserverVCIvars::_observer>("_observer")
                         .ivar<&ObserverVCIvars::_bulletinViewController>("_bulletinViewController")
                         .ivar<&ObserverVCIvars::_sectionIDsToSectionInfo>("_sectionIDsToSectionInfo")
                         .method<&ovcInit>("init")
                         .method<&ovcInitWithFeed>("initWithObserverFeed:")
                         .method<&ovcBulletinViewController>("bulletinViewController")
                         .method<&ovcLoadView>("loadView")
                         .method<&forwardAppearance>("viewWillAppear:")
                         .method<&forwardAppearance>("viewDidAppear:")
                         .method<&forwardAppearance>("viewWillDisappear:")
                         .method<&forwardAppearance>("viewDidDisappear:")
                         .method<&ovcShouldShowBulletin>("_shouldShowBulletin:")
                         .method<&ovcSectionInfoForBulletin>("_sectionInfoForBulletin:")
                         .method<&ovcAddBulletin>("observer:addBulletin:forFeed:")
                         .method<&ovcRemoveBulletin>("observer:removeBulletin:")
                         .method<&ovcRequestsClearingSection>("bulletinViewController:requestsClearingSection:")
                         .method<&ovcDealloc>("dealloc")
                         .registerClass();
  objc::ClassBuilder<ObserverVCIvars>("SBTodayViewController", observerVC)
      .method<&todayShouldShowBulletin>("_shouldShowBulletin:")
      .registerClass();
  Class modeVC = objc::ClassBuilder<ObserverVCIvars>("SBNotificationsModeViewController", observerVC).registerClass();
  objc::ClassBuilder<ObserverVCIvars>("SBNotificationsAllModeViewController", modeVC).registerClass();
  objc::ClassBuilder<MissedVCIvars>("SBNotificationsMissedModeViewController", modeVC)
      .ivar<&MissedVCIvars::_missedSectionInfo>("_missedSectionInfo")
      .method<&missedShouldShowBulletin>("_shouldShowBulletin:")
      .method<&missedSectionInfoForBulletin>("_sectionInfoForBulletin:")
      .method<&missedRequestsClearingSection>("bulletinViewController:requestsClearingSection:")
      .method<&missedDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb7::detail
