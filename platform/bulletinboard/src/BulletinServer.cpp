// The bulletin server of the process: the kept bulletins and their delivery to
// observers through the main run loop.
#include <bulletinboard/BulletinBoard.h>

#include <foundation/NSString.h>
#include <foundation/RunLoop.h>

#include <algorithm>

using objc::sel;
using objc::send;

namespace bb {

BulletinServer& BulletinServer::shared() {
  static BulletinServer server;
  return server;
}

bool BulletinServer::isObserving(id observer) const {
  return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
}

// Each delivery checks, when it runs, that the server was not reset and the observer
// is still registered, and keeps the observer alive while its delegate is called.
void BulletinServer::deliverAdd(id observer, const Kept& kept) {
  objc::Ref bulletin = kept.bulletin;
  NSUInteger feeds = kept.feeds;
  unsigned long generation = generation_;
  ns::RunLoop::main().perform([this, observer, bulletin, feeds, generation] {
    if (generation != generation_ || !isObserving(observer)) return;
    NSUInteger shared = feeds & send<NSUInteger>(observer, sel<"observerFeed">());
    id delegate = send<id>(observer, sel<"delegate">());
    if (shared == 0 || delegate == nil) return;
    objc::Ref keep = objc::Ref::retain(observer);
    send<void>(bulletin.get(), sel<"setObserver:">(), observer);
    send<void>(delegate, sel<"observer:addBulletin:forFeed:">(), observer, bulletin.get(), shared);
  });
}

void BulletinServer::deliverRemove(const objc::Ref& bulletin, NSUInteger feeds) {
  for (id observer : observers_) {
    unsigned long generation = generation_;
    ns::RunLoop::main().perform([this, observer, bulletin, feeds, generation] {
      if (generation != generation_ || !isObserving(observer)) return;
      id delegate = send<id>(observer, sel<"delegate">());
      if ((feeds & send<NSUInteger>(observer, sel<"observerFeed">())) == 0 || delegate == nil) return;
      objc::Ref keep = objc::Ref::retain(observer);
      send<void>(bulletin.get(), sel<"setObserver:">(), observer);
      send<void>(delegate, sel<"observer:removeBulletin:">(), observer, bulletin.get());
    });
  }
}

objc::Status BulletinServer::publish(id bulletin, NSUInteger feeds) {
  if (bulletin == nil) return objc::makeError("no bulletin");
  std::string section = bulletinString(bulletin, sel<"sectionID">());
  std::string bulletinID = bulletinString(bulletin, sel<"bulletinID">());
  if (section.empty()) return objc::makeError("a bulletin needs a section ID");
  if (bulletinID.empty()) return objc::makeError("a bulletin needs a bulletin ID");
  if (bulletinWithID(bulletinID) != nil) return objc::makeError("bulletin " + bulletinID + " was delivered already");
  kept_.push_back({objc::Ref::retain(bulletin), feeds});
  for (id observer : observers_) deliverAdd(observer, kept_.back());
  return objc::Ok{};
}

bool BulletinServer::withdraw(const std::string& bulletinID) {
  auto it = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& k) {
    return bulletinString(k.bulletin, sel<"bulletinID">()) == bulletinID;
  });
  if (it == kept_.end()) return false;
  Kept gone = std::move(*it);
  kept_.erase(it);
  deliverRemove(gone.bulletin, gone.feeds);
  return true;
}

std::size_t BulletinServer::clearSection(const std::string& sectionID) {
  std::vector<std::string> ids;
  for (const Kept& k : kept_) {
    if (bulletinString(k.bulletin, sel<"sectionID">()) == sectionID && send<BOOL>(k.bulletin.get(), sel<"clearable">()))
      ids.push_back(bulletinString(k.bulletin, sel<"bulletinID">()));
  }
  for (const auto& bulletinID : ids) withdraw(bulletinID);
  return ids.size();
}

std::vector<id> BulletinServer::bulletins() const {
  std::vector<id> result;
  for (const Kept& k : kept_) result.push_back(k.bulletin.get());
  return result;
}

id BulletinServer::bulletinWithID(const std::string& bulletinID) const {
  for (const Kept& k : kept_) {
    if (bulletinString(k.bulletin, sel<"bulletinID">()) == bulletinID) return k.bulletin.get();
  }
  return nil;
}

std::string BulletinServer::nextRecordID(const std::string& sectionID) {
  for (auto& [section, count] : recordCounters_) {
    if (section == sectionID) return std::to_string(++count);
  }
  recordCounters_.emplace_back(sectionID, 1);
  return "1";
}

void BulletinServer::addObserver(id observer) {
  if (observer == nil || isObserving(observer)) return;
  observers_.push_back(observer);
  for (const Kept& k : kept_) deliverAdd(observer, k);
}

void BulletinServer::removeObserver(id observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void BulletinServer::reset() {
  ++generation_;
  kept_.clear();
  observers_.clear();
  recordCounters_.clear();
}

}  // namespace bb
