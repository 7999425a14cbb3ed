// SBAwayBulletinListItem (springboardcommon/AwayListItem.h).
#include <springboardcommon/AwayListItem.h>
#include <springboardcommon/Helpers.h>

#include <objcface/ClassBuilder.h>
#include <objcface/Send.h>

namespace sbcommon {

using objc::sel;
using objc::send;

namespace {

struct ListItemIvars : NSObjectIvars {
  id _bulletins;  // NSMutableArray of BBBulletin; the first is the one shown
  id bulletins() { return _bulletins; }
};

id itemInitWithBulletin(id self, SEL, id bulletin) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBAwayBulletinListItem"), sel<"init">());
  if (!self) return nil;
  objc::ivars<ListItemIvars>(self)->_bulletins = objc::retain(mutableArray());
  if (bulletin) send<void>(objc::ivars<ListItemIvars>(self)->_bulletins, sel<"addObject:">(), bulletin);
  return self;
}

id itemActiveBulletin(id self, SEL) {
  auto all = elements(objc::ivars<ListItemIvars>(self)->_bulletins);
  return all.empty() ? nil : all.front();
}

id itemBulletinWithID(id self, SEL, id bulletinID) {
  std::string wanted = text(bulletinID);
  for (id b : elements(objc::ivars<ListItemIvars>(self)->_bulletins)) {
    if (text(send<id>(b, sel<"bulletinID">())) == wanted) return b;
  }
  return nil;
}

void itemDealloc(id self, SEL cmd) {
  clear(objc::ivars<ListItemIvars>(self)->_bulletins);
  objc::sendSuper<void>(self, objc::classNamed("SBAwayBulletinListItem"), cmd);
}

}  // namespace

void registerAwayBulletinListItemClass() {
  static const bool done = [] {
    objc::ClassBuilder<ListItemIvars>("SBAwayBulletinListItem", objc::NSObjectClass())
        .ivar<&ListItemIvars::_bulletins>("_bulletins")
        .method<&itemInitWithBulletin>("initWithBulletin:")
        .method<&ListItemIvars::bulletins>("bulletins")
        .method<&itemActiveBulletin>("activeBulletin")
        .method<&itemBulletinWithID>("bulletinWithID:")
        .method<&itemDealloc>("dealloc")
        .registerClass();
    return true;
  }();
  (void)done;
}

}  // namespace sbcommon
