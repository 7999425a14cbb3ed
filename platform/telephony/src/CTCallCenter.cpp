// CTCallCenter and CTCall: a process's view of its calls, kept up to date by the
// telephony server's call-status notifications.
#include <telephony/Telephony.h>

#include <foundation/Block.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <foundation/NSString.h>

#include <algorithm>
#include <vector>

using objc::sel;
using objc::send;

namespace ct {
namespace {

// The live call centres in the order they were made; not retained (a centre leaves
// the list in its dealloc).
std::vector<id>& liveCenters() {
  static std::vector<id> centers;
  return centers;
}

struct CTCallIvars : NSObjectIvars {
  id _callID;     // NSString, copied
  id _callState;  // NSString constant
  id callID() { return _callID; }
  id callState() { return _callState; }
};

void callDealloc(id self, SEL cmd) {
  auto* call = objc::ivars<CTCallIvars>(self);
  objc::release(call->_callID);
  objc::release(call->_callState);
  call->_callID = call->_callState = nil;
  objc::sendSuper<void>(self, CTCallClass(), cmd);
}

id callDescription(id self, SEL) {
  auto* call = objc::ivars<CTCallIvars>(self);
  return ns::format("<CTCall: %p; callID = %s; callState = %s>", static_cast<void*>(self),
                    ns::utf8(call->_callID).c_str(), ns::utf8(call->_callState).c_str());
}

Class registerCall() {
  return objc::ClassBuilder<CTCallIvars>("CTCall", objc::NSObjectClass())
      .ivar<&CTCallIvars::_callID>("_callID")
      .ivar<&CTCallIvars::_callState>("_callState")
      .method<&CTCallIvars::callID>("callID")
      .method<&CTCallIvars::callState>("callState")
      .method<&callDescription>("description")
      .method<&callDealloc>("dealloc")
      .registerClass();
}

struct CTCallCenterIvars : NSObjectIvars {
  id _calls;             // NSMutableDictionary: call ID → CTCall, the calls not yet ended
  id _callEventHandler;  // block void(CTCall), copied
};

CTCallCenterIvars* center(id self) { return objc::ivars<CTCallCenterIvars>(self); }

id centerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, CTCallCenterClass(), cmd);
  if (!self) return nil;
  center(self)->_calls = objc::retain(send<id>(objc::classNamed("NSMutableDictionary"), sel<"dictionary">()));
  liveCenters().push_back(self);
  return self;
}

void centerDealloc(id self, SEL cmd) {
  auto& centers = liveCenters();
  centers.erase(std::remove(centers.begin(), centers.end(), self), centers.end());
  objc::release(center(self)->_calls);
  objc::release(center(self)->_callEventHandler);
  center(self)->_calls = center(self)->_callEventHandler = nil;
  objc::sendSuper<void>(self, CTCallCenterClass(), cmd);
}

id centerCurrentCalls(id self, SEL) {
  id calls = center(self)->_calls;
  if (send<NSUInteger>(calls, sel<"count">()) == 0) return nil;
  return send<id>(objc::classNamed("NSSet"), sel<"setWithArray:">(), send<id>(calls, sel<"allValues">()));
}

id centerCallEventHandler(id self, SEL) { return center(self)->_callEventHandler; }

void centerSetCallEventHandler(id self, SEL, id handler) {
  id copy = handler ? send<id>(handler, sel<"copy">()) : nil;
  objc::release(center(self)->_callEventHandler);
  center(self)->_callEventHandler = copy;
}

const char* stateName(int status) {
  switch (status) {
    case kCallStatusConnected: return "CTCallStateConnected";
    case kCallStatusDialing: return "CTCallStateDialing";
    case kCallStatusIncoming: return "CTCallStateIncoming";
    case kCallStatusDisconnected: return "CTCallStateDisconnected";
    default: return nullptr;
  }
}

// The server's notification.  Only call-status changes with a known status and a
// call identifier are taken; anything else leaves the calls as they are.
void centerHandleNotification(id self, SEL, void*, id type, id info) {
  if (type == nil || ns::utf8(type) != kCallStatusChangeNotification || info == nil) return;
  id statusValue = send<id>(info, sel<"objectForKey:">(), ns::str(kCallStatusKey));
  id callID = send<id>(info, sel<"objectForKey:">(), ns::str(kCallKey));
  if (statusValue == nil || callID == nil) return;
  const char* state = stateName(send<int>(statusValue, sel<"intValue">()));
  if (state == nullptr) return;
  objc::AutoreleasePool pool;
  objc::Ref call = objc::Ref::adopt(send<id>(send<id>(CTCallClass(), sel<"alloc">()), sel<"init">()));
  objc::ivars<CTCallIvars>(call.get())->_callID = send<id>(callID, sel<"copy">());
  objc::ivars<CTCallIvars>(call.get())->_callState = objc::retain(ns::str(state));
  id calls = center(self)->_calls;
  if (std::string(state) == "CTCallStateDisconnected") {
    send<void>(calls, sel<"removeObjectForKey:">(), callID);
  } else {
    send<void>(calls, sel<"setObject:forKey:">(), call.get(), callID);
  }
  // The handler may replace itself; it is kept alive for the call.
  objc::Ref handler = objc::Ref::retain(center(self)->_callEventHandler);
  if (handler) ns::invokeBlock<void(id)>(handler.get(), call.get());
}

Class registerCenter() {
  return objc::ClassBuilder<CTCallCenterIvars>("CTCallCenter", objc::NSObjectClass())
      .ivar<&CTCallCenterIvars::_calls>("_calls")
      .ivar<&CTCallCenterIvars::_callEventHandler>("_callEventHandler")
      .method<&centerInit>("init")
      .method<&centerCurrentCalls>("currentCalls")
      .method<&centerCallEventHandler>("callEventHandler")
      .method<&centerSetCallEventHandler>("setCallEventHandler:")
      .method<&centerHandleNotification>("handleNotificationFromConnection:ofType:withInfo:")
      .method<&centerDealloc>("dealloc")
      .registerClass();
}

}  // namespace

Class CTCallClass() {
  static const Class cls = registerCall();
  return cls;
}

Class CTCallCenterClass() {
  static const Class cls = registerCenter();
  return cls;
}

std::size_t postCallStatus(const std::string& callID, int status) {
  objc::AutoreleasePool pool;
  id info = ns::dictionary({{ns::str(kCallKey), ns::str(callID)},
                            {ns::str(kCallStatusKey), ns::numberWithInt(status)}});
  // A centre may be freed by a handler of another; each is kept alive for its send.
  std::vector<objc::Ref> centers;
  for (id c : liveCenters()) centers.push_back(objc::Ref::retain(c));
  for (const auto& c : centers) {
    send<void>(c.get(), sel<"handleNotificationFromConnection:ofType:withInfo:">(), static_cast<void*>(nullptr),
               ns::str(kCallStatusChangeNotification), info);
  }
  return centers.size();
}

std::size_t callCenterCount() { return liveCenters().size(); }

// The classes exist as soon as the library is loaded.
[[maybe_unused]] static const bool kRegisteredAtLoad = [] {
  CTCallClass();
  CTCallCenterClass();
  return true;
}();

}  // namespace ct
