// BBBulletin, BBAction: a notification and its default action.
#include <bulletinboard/BulletinBoard.h>

#include "Property.h"

#include <foundation/Clock.h>
#include <foundation/NSString.h>

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

void bulletinDealloc(id self, SEL cmd) {
  auto* b = objc::ivars<BBBulletinIvars>(self);
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
