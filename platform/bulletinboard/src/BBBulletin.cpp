// BBBulletin, BBAction: a notification and its default action.
#include <bulletinboard/BulletinBoard.h>

#include "ObserverLink.h"
#include "Property.h"

#include <foundation/Clock.h>
#include <foundation/NSString.h>

#include <unordered_set>

using bb::detail::setCopied;
using bb::detail::setRetained;
using objc::sel;
using objc::send;

namespace {

struct BBBulletinIvars : NSObjectIvars {
  id _sectionID;
  id _recordID;
  id _bulletinID;
  id _publisherBulletinID;
  id _title;
  id _subtitle;
  id _message;
  id _date;
  id _defaultAction;
  id _observer;  // not retained: cleared when the observer is invalidated or freed
  BOOL _clearable;

  id sectionID() { return _sectionID; }
  void setSectionID(id v) { setCopied(_sectionID, v); }
  id recordID() { return _recordID; }
  void setRecordID(id v) { setCopied(_recordID, v); }
  id bulletinID() { return _bulletinID; }
  void setBulletinID(id v) { setCopied(_bulletinID, v); }
  id publisherBulletinID() { return _publisherBulletinID; }
  void setPublisherBulletinID(id v) { setCopied(_publisherBulletinID, v); }
  id title() { return _title; }
  void setTitle(id v) { setCopied(_title, v); }
  id subtitle() { return _subtitle; }
  void setSubtitle(id v) { setCopied(_subtitle, v); }
  id message() { return _message; }
  void setMessage(id v) { setCopied(_message, v); }
  id date() { return _date; }
  void setDate(id v) { setRetained(_date, v); }
  id defaultAction() { return _defaultAction; }
  void setDefaultAction(id v) { setRetained(_defaultAction, v); }
};

// The bulletins whose observer is set, so that an observer going away can clear
// itself from them (main thread only).  Never destroyed: bulletins kept by static
// objects are freed while the process exits.
std::unordered_set<id>& linkedBulletins() {
  static auto* all = new std::unordered_set<id>;
  return *all;
}

id bulletinInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, bb::BBBulletinClass(), cmd);
  if (self) objc::ivars<BBBulletinIvars>(self)->_clearable = YES;
  return self;
}

id bulletinObserver(id self, SEL) { return objc::ivars<BBBulletinIvars>(self)->_observer; }

void bulletinSetObserver(id self, SEL, id observer) {
  objc::ivars<BBBulletinIvars>(self)->_observer = observer;
  if (observer) linkedBulletins().insert(self);
  else linkedBulletins().erase(self);
}

BOOL bulletinClearable(id self, SEL) { return objc::ivars<BBBulletinIvars>(self)->_clearable; }
void bulletinSetClearable(id self, SEL, BOOL clearable) {
  objc::ivars<BBBulletinIvars>(self)->_clearable = clearable ? YES : NO;
}

void bulletinDealloc(id self, SEL cmd) {
  auto* b = objc::ivars<BBBulletinIvars>(self);
  linkedBulletins().erase(self);
  b->_observer = nil;
  for (id* slot : {&b->_sectionID, &b->_recordID, &b->_bulletinID, &b->_publisherBulletinID, &b->_title,
                   &b->_subtitle, &b->_message, &b->_date, &b->_defaultAction}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, bb::BBBulletinClass(), cmd);
}

id bulletinDescription(id self, SEL) {
  auto* b = objc::ivars<BBBulletinIvars>(self);
  return ns::format("<%s: %p; section = %s; bulletinID = %s; recordID = %s; title = %s; message = %s>",
                    objc::className(self), static_cast<void*>(self), ns::utf8(b->_sectionID).c_str(),
                    ns::utf8(b->_bulletinID).c_str(), ns::utf8(b->_recordID).c_str(), ns::utf8(b->_title).c_str(),
                    ns::utf8(b->_message).c_str());
}

struct BBActionIvars : NSObjectIvars {
  id _launchURL;
  id launchURL() { return _launchURL; }
  void setLaunchURL(id v) { setRetained(_launchURL, v); }
};

void actionDealloc(id self, SEL cmd) {
  auto* a = objc::ivars<BBActionIvars>(self);
  objc::release(a->_launchURL);
  a->_launchURL = nil;
  objc::sendSuper<void>(self, bb::BBActionClass(), cmd);
}

id actionWithLaunchURL(id cls, SEL, id url) {
  id action = objc::autorelease(send<id>(send<id>(cls, sel<"alloc">()), sel<"init">()));
  send<void>(action, sel<"setLaunchURL:">(), url);
  return action;
}

Class registerBulletin() {
  return objc::ClassBuilder<BBBulletinIvars>("BBBulletin", objc::NSObjectClass())
      .ivar<&BBBulletinIvars::_sectionID>("_sectionID")
      .ivar<&BBBulletinIvars::_recordID>("_recordID")
      .ivar<&BBBulletinIvars::_bulletinID>("_bulletinID")
      .ivar<&BBBulletinIvars::_publisherBulletinID>("_publisherBulletinID")
      .ivar<&BBBulletinIvars::_title>("_title")
      .ivar<&BBBulletinIvars::_subtitle>("_subtitle")
      .ivar<&BBBulletinIvars::_message>("_message")
      .ivar<&BBBulletinIvars::_date>("_date")
      .ivar<&BBBulletinIvars::_defaultAction>("_defaultAction")
      .ivar<&BBBulletinIvars::_observer>("_observer")
      .ivar<&BBBulletinIvars::_clearable>("_clearable")
      .method<&bulletinInit>("init")
      .method<&BBBulletinIvars::sectionID>("sectionID")
      .method<&BBBulletinIvars::setSectionID>("setSectionID:")
      .method<&BBBulletinIvars::recordID>("recordID")
      .method<&BBBulletinIvars::setRecordID>("setRecordID:")
      .method<&BBBulletinIvars::bulletinID>("bulletinID")
      .method<&BBBulletinIvars::setBulletinID>("setBulletinID:")
      .method<&BBBulletinIvars::publisherBulletinID>("publisherBulletinID")
      .method<&BBBulletinIvars::setPublisherBulletinID>("setPublisherBulletinID:")
      .method<&BBBulletinIvars::title>("title")
      .method<&BBBulletinIvars::setTitle>("setTitle:")
      .method<&BBBulletinIvars::subtitle>("subtitle")
      .method<&BBBulletinIvars::setSubtitle>("setSubtitle:")
      .method<&BBBulletinIvars::message>("message")
      .method<&BBBulletinIvars::setMessage>("setMessage:")
      .method<&BBBulletinIvars::date>("date")
      .method<&BBBulletinIvars::setDate>("setDate:")
      .method<&BBBulletinIvars::defaultAction>("defaultAction")
      .method<&BBBulletinIvars::setDefaultAction>("setDefaultAction:")
      .method<&bulletinObserver>("observer")
      .method<&bulletinSetObserver>("setObserver:")
      .method<&bulletinClearable>("clearable")
      .method<&bulletinSetClearable>("setClearable:")
      .method<&bulletinDescription>("description")
      .method<&bulletinDealloc>("dealloc")
      .registerClass();
}

Class registerAction() {
  return objc::ClassBuilder<BBActionIvars>("BBAction", objc::NSObjectClass())
      .ivar<&BBActionIvars::_launchURL>("_launchURL")
      .method<&BBActionIvars::launchURL>("launchURL")
      .method<&BBActionIvars::setLaunchURL>("setLaunchURL:")
      .method<&actionDealloc>("dealloc")
      .classMethod<&actionWithLaunchURL>("actionWithLaunchURL:")
      .registerClass();
}

}  // namespace

namespace bb {

namespace detail {
void observerWentAway(id observer) {
  if (observer == nil) return;
  auto& all = linkedBulletins();
  for (auto it = all.begin(); it != all.end();) {
    auto* b = objc::ivars<BBBulletinIvars>(*it);
    if (b->_observer == observer) {
      b->_observer = nil;
      it = all.erase(it);
    } else {
      ++it;
    }
  }
}
}  // namespace detail

Class BBBulletinClass() {
  static const Class cls = registerBulletin();
  return cls;
}

Class BBActionClass() {
  static const Class cls = registerAction();
  return cls;
}

objc::Ref makeBulletin(const BulletinFields& fields) {
  objc::AutoreleasePool pool;
  objc::Ref bulletin = objc::Ref::adopt(objc::allocInit(BBBulletinClass()));
  auto setString = [&](SEL setter, const std::string& value) {
    send<void>(bulletin, setter, value.empty() ? nil : ns::str(value));
  };
  setString(sel<"setSectionID:">(), fields.sectionID);
  setString(sel<"setTitle:">(), fields.title);
  setString(sel<"setSubtitle:">(), fields.subtitle);
  setString(sel<"setMessage:">(), fields.message);
  setString(sel<"setRecordID:">(), fields.recordID);
  setString(sel<"setBulletinID:">(), fields.bulletinID);
  setString(sel<"setPublisherBulletinID:">(), fields.bulletinID);
  send<void>(bulletin, sel<"setClearable:">(), static_cast<BOOL>(fields.clearable ? YES : NO));
  double when = fields.date.value_or(ns::now());
  send<void>(bulletin, sel<"setDate:">(),
             send<id>(objc::classNamed("NSDate"), sel<"dateWithTimeIntervalSinceReferenceDate:">(), when));
  if (!fields.url.empty()) {
    id url = send<id>(objc::classNamed("NSURL"), sel<"URLWithString:">(), ns::str(fields.url));
    if (url != nil) send<void>(bulletin, sel<"setDefaultAction:">(), send<id>(BBActionClass(), sel<"actionWithLaunchURL:">(), url));
  }
  return bulletin;
}

std::string bulletinString(id bulletin, SEL property) {
  return bulletin ? ns::utf8(send<id>(bulletin, property)) : std::string();
}

}  // namespace bb
