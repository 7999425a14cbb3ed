// BulletinBoard: the notifications of the home screen.  A notification is a BBBulletin
// (with a BBAction as its default action); the bulletin server of the process keeps
// every delivered bulletin and tells each BBObserver's delegate about arrivals and
// removals on the main run loop, as the system's bulletin server does over its
// connection.  Shared by the iOS 6 and iOS 7 home screens.
//
// Runtime classes (registered when the library loads):
//   BBBulletin : NSObject
//     sectionID, recordID, bulletinID, publisherBulletinID, title, subtitle, message
//     (NSString), date (NSDate), defaultAction (BBAction), with setters; recordID is
//     a string holding the record number, so integerValue answers it.  clearable
//     (BOOL, YES unless set otherwise) says whether clearing its section takes it
//     away.  observer is the BBObserver that delivered it last (set by the server
//     just before each delivery; not retained, and nil once that observer is
//     invalidated or freed), with setObserver:.
//   BBAction : NSObject
//     +actionWithLaunchURL: (NSURL), launchURL, setLaunchURL:
//   BBObserver : NSObject
//     init, delegate / setDelegate: (not retained), observerFeed / setObserverFeed:
//     (NSUInteger, the feeds below), clearSection: (asks the server to withdraw every
//     clearable bulletin of a section; the removals arrive later, through the run loop),
//     invalidate.  Its delegate answers observer:addBulletin:forFeed: (BBObserver,
//     BBBulletin, NSUInteger) and observer:removeBulletin: (BBObserver, BBBulletin).
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <optional>
#include <string>
#include <vector>

namespace bb {

// Feeds: which lists of the home screen a bulletin is for.
inline constexpr NSUInteger kFeedNotificationCenter = 1u << 1;
inline constexpr NSUInteger kFeedLockScreen = 1u << 2;
inline constexpr NSUInteger kFeedBanner = 1u << 3;
inline constexpr NSUInteger kFeedAll = kFeedNotificationCenter | kFeedLockScreen | kFeedBanner;

Class BBBulletinClass();
Class BBActionClass();
Class BBObserverClass();

struct BulletinFields {
  std::string sectionID;
  std::string title;
  std::string subtitle;
  std::string message;
  std::string url;         // the default action's launch URL; empty: no default action
  std::string recordID;
  std::string bulletinID;
  std::optional<double> date;  // seconds since 2001; default: now on the process clock
  bool clearable = true;
};

// A new BBBulletin with those fields (owned by the caller).
objc::Ref makeBulletin(const BulletinFields& fields);

// Reads a string property of a bulletin (sectionID, bulletinID, …) as UTF-8 by send.
std::string bulletinString(id bulletin, SEL property);

// The bulletin server of this process.  Main thread only.
class BulletinServer {
 public:
  static BulletinServer& shared();

  // Keeps a bulletin and delivers it, on the main run loop, to every observer whose
  // feed shares a bit with `feeds`.  Refused when the bulletin has no section ID or
  // bulletin ID, or one with that bulletin ID is kept already.
  objc::Status publish(id bulletin, NSUInteger feeds = kFeedAll);
  // Forgets a bulletin and delivers its removal to every observer; false when the
  // server does not keep it.
  bool withdraw(const std::string& bulletinID);
  // Withdraws every clearable bulletin of a section, oldest first; answers how many.
  std::size_t clearSection(const std::string& sectionID);

  // The kept bulletins in the order they were published (borrowed).
  std::vector<id> bulletins() const;
  id bulletinWithID(const std::string& bulletinID) const;
  // The next record number of a section ("1", "2", …), counted per section.
  std::string nextRecordID(const std::string& sectionID);

  // Observers announce themselves when they get a delegate and leave when they are
  // invalidated or freed.  A new observer is sent every kept bulletin of its feeds.
  void addObserver(id observer);
  void removeObserver(id observer);

  // Forgets every bulletin, observer and pending delivery (tests, home-screen restart).
  void reset();

 private:
  BulletinServer() = default;
  struct Kept {
    objc::Ref bulletin;
    NSUInteger feeds;
  };
  void deliverAdd(id observer, const Kept& kept);
  void deliverRemove(const objc::Ref& bulletin, NSUInteger feeds);
  bool isObserving(id observer) const;

  std::vector<Kept> kept_;
  std::vector<id> observers_;  // not retained
  std::vector<std::pair<std::string, long>> recordCounters_;
  unsigned long generation_ = 0;
};

}  // namespace bb
