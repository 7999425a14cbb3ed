// The model behind Notification Center's lists: a list section (SBBulletinListSection,
// the bulletins of one app, newest first), the section-info objects that stand for a
// table section (SBNotificationsSectionInfo and the single section of the Missed mode,
// SBNotificationsMissedModeSectionInfo), and the list item of one row
// (SBNotificationsBulletinInfo).
#include "Common.h"
#include "Classes.h"

#include <foundation/NSString.h>

namespace sb7::detail {
namespace {

struct ListSectionIvars : NSObjectIvars {
  id _sectionID;
  id _displayName;
  id _bulletins;  // NSMutableArray of BBBulletin, in list order

  id sectionID() { return _sectionID; }
  id displayName() { return _displayName; }
  id bulletins() { return _bulletins; }
  NSUInteger bulletinCount() { return count(_bulletins); }
};

id listSectionInit(id self, SEL, id sectionID, id displayName) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBBulletinListSection"), sel<"init">());
  if (!self) return nil;
  auto* s = objc::ivars<ListSectionIvars>(self);
  s->_sectionID = send<id>(sectionID, sel<"copy">());
  s->_displayName = send<id>(displayName, sel<"copy">());
  s->_bulletins = objc::retain(mutableArray());
  return self;
}

// nil for an index past the end, as a list asked about a row it no longer has.
id listSectionBulletinAtIndex(id self, SEL, NSUInteger index) {
  id bulletins = objc::ivars<ListSectionIvars>(self)->_bulletins;
  return index < count(bulletins) ? send<id>(bulletins, sel<"objectAtIndex:">(), index) : nil;
}

void listSectionInsertBulletin(id self, SEL, id bulletin, NSUInteger index) {
  id bulletins = objc::ivars<ListSectionIvars>(self)->_bulletins;
  if (bulletin == nil) return;
  if (index > count(bulletins)) index = count(bulletins);
  send<void>(bulletins, sel<"insertObject:atIndex:">(), bulletin, index);
}

void listSectionRemoveBulletinAtIndex(id self, SEL, NSUInteger index) {
  id bulletins = objc::ivars<ListSectionIvars>(self)->_bulletins;
  if (index < count(bulletins)) send<void>(bulletins, sel<"removeObjectAtIndex:">(), index);
}

void listSectionDealloc(id self, SEL cmd) {
  auto* s = objc::ivars<ListSectionIvars>(self);
  clear(s->_sectionID);
  clear(s->_displayName);
  clear(s->_bulletins);
  objc::sendSuper<void>(self, objc::classNamed("SBBulletinListSection"), cmd);
}

struct SectionInfoIvars : NSObjectIvars {
  id _identifier;
  id _representedListSection;

  id identifier() { return _identifier; }
  id representedListSection() { return _representedListSection; }
};

id sectionInfoInit(id self, SEL, id identifier, id listSection) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBNotificationsSectionInfo"), sel<"init">());
  if (!self) return nil;
  auto* s = objc::ivars<SectionInfoIvars>(self);
  s->_identifier = send<id>(identifier, sel<"copy">());
  s->_representedListSection = objc::retain(listSection);
  return self;
}

id sectionInfoDisplayName(id self, SEL) {
  return send<id>(objc::ivars<SectionInfoIvars>(self)->_representedListSection, sel<"displayName">());
}

id sectionInfoDescription(id self, SEL) {
  return ns::format("<%s: %p; identifier = %s>", objc::className(self), static_cast<void*>(self),
                    text(send<id>(self, sel<"identifier">())).c_str());
}

void sectionInfoDealloc(id self, SEL cmd) {
  auto* s = objc::ivars<SectionInfoIvars>(self);
  clear(s->_identifier);
  clear(s->_representedListSection);
  objc::sendSuper<void>(self, objc::classNamed("SBNotificationsSectionInfo"), cmd);
}

// The Missed mode shows one section of every recent notification; its identifier is
// the class's own name whatever it was made with.
id missedIdentifier(id, SEL) { return str(kMissedSectionIdentifier); }

struct BulletinInfoIvars : NSObjectIvars {
  id _representedBulletin;
  id representedBulletin() { return _representedBulletin; }
};

id bulletinInfoInit(id self, SEL, id bulletin) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBNotificationsBulletinInfo"), sel<"init">());
  if (self) objc::ivars<BulletinInfoIvars>(self)->_representedBulletin = objc::retain(bulletin);
  return self;
}

id bulletinInfoIdentifier(id self, SEL) {
  return send<id>(objc::ivars<BulletinInfoIvars>(self)->_representedBulletin, sel<"bulletinID">());
}

void bulletinInfoDealloc(id self, SEL cmd) {
  clear(objc::ivars<BulletinInfoIvars>(self)->_representedBulletin);
  objc::sendSuper<void>(self, objc::classNamed("SBNotificationsBulletinInfo"), cmd);
}

}  // namespace

void registerSectionModelClasses() {
  objc::ClassBuilder<ListSectionIvars>("SBBulletinListSection", objc::NSObjectClass())
      .ivar<&ListSectionIvars::_sectionID>("_sectionID")
      .ivar<&ListSectionIvars::_displayName>("_displayName")
      .ivar<&ListSectionIvars::_bulletins>("_bulletins")
      .method<&listSectionInit>("initWithSectionID:displayName:")
      .method<&ListSectionIvars::sectionID>("sectionID")
      .method<&ListSectionIvars::displayName>("displayName")
      .method<&ListSectionIvars::bulletins>("bulletins")
      .method<&ListSectionIvars::bulletinCount>("bulletinCount")
      .method<&listSectionBulletinAtIndex>("bulletinAtIndex:")
      .method<&listSectionInsertBulletin>("insertBulletin:atIndex:")
      .method<&listSectionRemoveBulletinAtIndex>("removeBulletinAtIndex:")
      .method<&listSectionDealloc>("dealloc")
      .registerClass();
  Class info = objc::ClassBuilder<SectionInfoIvars>("SBNotificationsSectionInfo", objc::NSObjectClass())
                   .ivar<&SectionInfoIvars::_identifier>("_identifier")
                   .ivar<&SectionInfoIvars::_representedListSection>("_representedListSection")
                   .method<&sectionInfoInit>("initWithIdentifier:listSection:")
                   .method<&SectionInfoIvars::identifier>("identifier")
                   .method<&SectionInfoIvars::representedListSection>("representedListSection")
                   .method<&sectionInfoDisplayName>("displayName")
                   .method<&sectionInfoDescription>("description")
                   .method<&sectionInfoDealloc>("dealloc")
                   .registerClass();
  objc::ClassBuilder<SectionInfoIvars>("SBNotificationsMissedModeSectionInfo", info)
      .method<&missedIdentifier>("identifier")
      .registerClass();
  objc::ClassBuilder<BulletinInfoIvars>("SBNotificationsBulletinInfo", objc::NSObjectClass())
      .ivar<&BulletinInfoIvars::_representedBulletin>("_representedBulletin")
      .method<&bulletinInfoInit>("initWithBulletin:")
      .method<&BulletinInfoIvars::representedBulletin>("representedBulletin")
      .method<&bulletinInfoIdentifier>("identifier")
      .method<&bulletinInfoDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb7::detail
