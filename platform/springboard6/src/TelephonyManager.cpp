// SBTelephonyManager: SpringBoard's side of the phone.  It holds SpringBoard's
// CTCallCenter (so the telephony server's call notifications reach this process)
// and follows the calls: an incoming call rings and lights a dark lock screen.
#include "Classes.h"
#include "Common.h"

#include <foundation/Block.h>
#include <telephony/Telephony.h>

#include <string>

namespace sb6::detail {
namespace {

struct TelephonyManagerIvars : NSObjectIvars {
  id _callCenter;  // retained CTCallCenter
  BOOL _incomingCallExists;
  BOOL _inCall;
  BOOL incomingCallExists() { return _incomingCallExists; }
  BOOL inCall() { return _inCall; }
};

TelephonyManagerIvars* tm(id self) { return objc::ivars<TelephonyManagerIvars>(self); }

id managerShared(id, SEL) {
  id& slot = sharedSlot("SBTelephonyManager");
  if (!slot) slot = newObject("SBTelephonyManager");
  return slot;
}

id managerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBTelephonyManager"), cmd);
  if (!self) return nil;
  tm(self)->_callCenter = newObject("CTCallCenter");
  id manager = self;  // the manager outlives its call centre's handler (dealloc clears it)
  objc::Ref handler = ns::makeBlock<void(id)>([manager](id call) {
    send<void>(manager, sel<"_callStateChanged:">(), call);
  });
  send<void>(tm(self)->_callCenter, sel<"setCallEventHandler:">(), handler.get());
  return self;
}

id managerCallCenter(id self, SEL) { return tm(self)->_callCenter; }

void managerCallStateChanged(id self, SEL, id call) {
  std::string state = text(send<id>(call, sel<"callState">()));
  auto* t = tm(self);
  if (state == "CTCallStateIncoming") {
    t->_incomingCallExists = YES;
    noteSound("ringtone");
    id away = shared("SBAwayController", sel<"sharedAwayController">());
    if (send<BOOL>(away, sel<"isDimmed">())) send<void>(away, sel<"undimScreen">());
  } else if (state == "CTCallStateConnected" || state == "CTCallStateDialing") {
    t->_incomingCallExists = NO;
    t->_inCall = YES;
  } else if (state == "CTCallStateDisconnected") {
    t->_incomingCallExists = NO;
    t->_inCall = NO;
  }
}

void managerDealloc(id self, SEL cmd) {
  send<void>(tm(self)->_callCenter, sel<"setCallEventHandler:">(), id{nil});
  clear(tm(self)->_callCenter);
  objc::sendSuper<void>(self, objc::classNamed("SBTelephonyManager"), cmd);
}

}  // namespace

void registerTelephonyClasses() {
  ct::CTCallCenterClass();  // CoreTelephony's own class, there since its library loaded
  objc::ClassBuilder<TelephonyManagerIvars>("SBTelephonyManager", objc::NSObjectClass())
      .ivar<&TelephonyManagerIvars::_callCenter>("_callCenter")
      .ivar<&TelephonyManagerIvars::_incomingCallExists>("_incomingCallExists")
      .ivar<&TelephonyManagerIvars::_inCall>("_inCall")
      .method<&managerInit>("init")
      .method<&managerCallCenter>("callCenter")
      .method<&TelephonyManagerIvars::incomingCallExists>("incomingCallExists")
      .method<&TelephonyManagerIvars::inCall>("inCall")
      .method<&managerCallStateChanged>("_callStateChanged:")
      .method<&managerDealloc>("dealloc")
      .classMethod<&managerShared>("sharedTelephonyManager")
      .registerClass();
}

}  // namespace sb6::detail
