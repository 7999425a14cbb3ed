// Alerts SpringBoard shows over the lock screen: SBAlertItem and the alarm of the
// Clock app, SBSystemLocalNotificationAlert, which sounds until the user (or
// +stopPlayingAlertSoundOrRingtone) silences it.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

namespace sb6::detail {
namespace {

struct AlertItemIvars : NSObjectIvars {
  id _title;  // NSString, copied
  BOOL _playingSound;
  id title() { return _title; }
  BOOL isPlayingSound() { return _playingSound; }
};

AlertItemIvars* item(id self) { return objc::ivars<AlertItemIvars>(self); }

id alertItemInitWithTitle(id self, SEL, id title) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBAlertItem"), sel<"init">());
  if (self) item(self)->_title = send<id>(title, sel<"copy">());
  return self;
}

void alertItemDealloc(id self, SEL cmd) {
  clear(item(self)->_title);
  objc::sendSuper<void>(self, objc::classNamed("SBAlertItem"), cmd);
}

// The alarm playing now, retained while it plays.
id& playingAlarm() { return sharedSlot("SBSystemLocalNotificationAlert.playing"); }

void alarmPlaySound(id self, SEL) {
  if (item(self)->_playingSound) return;
  item(self)->_playingSound = YES;
  setRetained(playingAlarm(), self);
  noteSound("alarm");
}

void alarmStopSound(id self, SEL) {
  item(self)->_playingSound = NO;
  if (playingAlarm() == self) clear(playingAlarm());
}

// Silences whichever alarm is sounding; the alert itself stays up.
void alarmStopPlaying(id, SEL) {
  if (id alarm = playingAlarm()) send<void>(alarm, sel<"stopSound">());
}

}  // namespace

void registerAlertItemClasses() {
  Class alertItem = objc::ClassBuilder<AlertItemIvars>("SBAlertItem", objc::NSObjectClass())
                        .ivar<&AlertItemIvars::_title>("_title")
                        .ivar<&AlertItemIvars::_playingSound>("_playingSound")
                        .method<&alertItemInitWithTitle>("initWithTitle:")
                        .method<&AlertItemIvars::title>("title")
                        .method<&AlertItemIvars::isPlayingSound>("isPlayingSound")
                        .method<&alertItemDealloc>("dealloc")
                        .registerClass();
  objc::ClassBuilder<AlertItemIvars>("SBSystemLocalNotificationAlert", alertItem)
      .method<&alarmPlaySound>("playSound")
      .method<&alarmStopSound>("stopSound")
      .classMethod<&alarmStopPlaying>("stopPlayingAlertSoundOrRingtone")
      .registerClass();
}

}  // namespace sb6::detail
