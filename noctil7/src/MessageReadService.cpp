#include "MessageReadService.h"

#include "Cells.h"

#include <corefoundation/CFMessagePort.h>
#include <corefoundation/CFRunLoop.h>
#include <foundation/Dispatch.h>
#include <foundation/OperationQueue.h>
#include <foundation/Thread.h>
#include <objcface/NSObject.h>

#include <deque>

namespace noctil7 {
namespace {

using objc::sel;

// SpringBoard: the remote port, replaced when found invalid.  MobileSMS: the shared
// conversation list, fetched on first use.  Each is touched on the main thread only.
CFMessagePortRef gRemotePort = nullptr;
objc::Ref gConversationList;

// SpringBoard: the requests waiting for the port, oldest first, each with the number
// of retries it has had.  All of them are served by one retry chain: one launch of
// Messages and one look at the port per tick, however many requests wait.
struct WaitingRequest {
  objc::Ref notification;
  int attempts = 0;
};
std::deque<WaitingRequest> gWaiting;
bool gTickScheduled = false;
// Bumped by resetServiceState, so a tick scheduled before a reset does nothing.
unsigned gChainGeneration = 0;

// Mirrors NSThread's own ivars first: NoctilService is a subclass of NSThread.
struct NoctilServiceIvars : ns::NSThreadIvars {
  CFMessagePortRef _localPort;
};

// The sender's address or group chat ID from the notification's launch URL: the text
// after the first "=" (or, without one, the first ":") up to the next one.
id addressOf(id notification) {
  id url = objc::send<id>(objc::send<id>(notification, sel<"defaultAction">()), sel<"launchURL">());
  id text = objc::send<id>(objc::send<id>(url, sel<"absoluteString">()),
                           sel<"stringByReplacingPercentEscapesUsingEncoding:">(), NSUInteger{4});
  if (text == nil) return nil;
  id separator = nil;
  for (const char* candidate : {"=", ":"}) {
    id s = nsString(candidate);
    if (objc::send<NSRange>(text, sel<"rangeOfString:">(), s).location != static_cast<NSUInteger>(NSNotFound)) {
      separator = s;
      break;
    }
  }
  if (separator == nil) return nil;
  id pieces = objc::send<id>(text, sel<"componentsSeparatedByString:">(), separator);
  if (objc::send<NSUInteger>(pieces, sel<"count">()) < 2) return nil;
  return objc::send<id>(pieces, sel<"objectAtIndex:">(), NSUInteger{1});
}

void forgetRemotePort() {
  if (gRemotePort != nullptr) CFRelease(gRemotePort);
  gRemotePort = nullptr;
}

// The cached remote port when it is valid, else a new one (or nullptr).
CFMessagePortRef validServicePort() {
  if (gRemotePort != nullptr && CFMessagePortIsValid(gRemotePort)) return gRemotePort;
  forgetRemotePort();
  gRemotePort = CFMessagePortCreateRemote(nullptr, reinterpret_cast<CFStringRef>(nsString(kServicePortName)));
  if (gRemotePort != nullptr && !CFMessagePortIsValid(gRemotePort)) forgetRemotePort();
  return gRemotePort;
}

enum class Delivery { sent, noRequest, portMissing };

// Sends the read request for one notification over the port, if the port is there.
// A send that fails (the service went away or stopped taking requests meanwhile) is
// treated like a missing port: the port is forgotten and the request waits again.
// Nothing reaches the service from a failed send, so a retry never doubles a request.
Delivery deliver(id notification) {
  objc::AutoreleasePool pool;
  id address = addressOf(notification);
  if (address == nil) return Delivery::noRequest;
  CFMessagePortRef port = validServicePort();
  if (port == nullptr) return Delivery::portMissing;
  NSInteger recordID = objc::send<NSInteger>(objc::send<id>(notification, sel<"recordID">()), sel<"integerValue">());
  id request = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
  objc::send<void>(request, sel<"setObject:forKey:">(), address, nsString("address"));
  objc::send<void>(request, sel<"setObject:forKey:">(),
                   objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithLongLong:">(),
                                  static_cast<long long>(recordID)),
                   nsString("recordID"));
  id data = objc::send<id>(objc_lookUpClass("NSKeyedArchiver"), sel<"archivedDataWithRootObject:">(), request);
  // One-way: no reply is asked for, so the call returns once the request is handed over.
  SInt32 result = CFMessagePortSendRequest(port, 0, reinterpret_cast<CFDataRef>(data), 30.0, 30.0, nullptr, nullptr);
  if (result == kCFMessagePortSuccess) return Delivery::sent;
  forgetRemotePort();
  return Delivery::portMissing;
}

// Sends the waiting requests in order while the port takes them; the first that
// cannot go stays at the front with every one behind it.
void deliverWaiting() {
  while (!gWaiting.empty()) {
    if (deliver(gWaiting.front().notification) == Delivery::portMissing) return;
    gWaiting.pop_front();
  }
}

void launchMessages() {
  id application = objc::send<id>(objc_lookUpClass("UIApplication"), sel<"sharedApplication">());
  if (objc::send<BOOL>(application, sel<"respondsToSelector:">(), sel<"launchApplicationWithIdentifier:suspended:">()))
    objc::send<BOOL>(application, sel<"launchApplicationWithIdentifier:suspended:">(), nsString("com.apple.MobileSMS"),
                     BOOL{YES});
}

void retryTick(unsigned generation);

// Starts Messages in the background and looks at the port again a tenth of a second
// from now.  Called at most once per tick, for every waiting request together.
void launchAndScheduleTick() {
  launchMessages();
  gTickScheduled = true;
  unsigned generation = gChainGeneration;
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(kRetryDelay * 1e9)), dispatch_get_main_queue(),
                 [generation] { retryTick(generation); });
}

void retryTick(unsigned generation) {
  if (generation != gChainGeneration) return;
  gTickScheduled = false;
  for (WaitingRequest& waiting : gWaiting) ++waiting.attempts;
  deliverWaiting();
  // A request that has had all its attempts is dropped: Messages never opened its port.
  std::erase_if(gWaiting, [](const WaitingRequest& w) { return w.attempts >= kMaxAttempts; });
  if (!gWaiting.empty()) launchAndScheduleTick();
}

// The local port's callback, on the service thread: decodes the request and hands
// the work to the main thread.  Anything that is not a dictionary holding a string
// "address" and a number "recordID" is dropped.
CFDataRef servicePortCallback(CFMessagePortRef, SInt32, CFDataRef data, void*) {
  objc::AutoreleasePool pool;
  if (data == nullptr) return nullptr;
  id request = objc::send<id>(objc_lookUpClass("NSKeyedUnarchiver"), sel<"unarchiveObjectWithData:">(),
                              reinterpret_cast<id>(const_cast<void*>(static_cast<const void*>(data))));
  if (!isKindOfClassNamed(request, "NSDictionary")) return nullptr;
  id address = objc::send<id>(request, sel<"objectForKey:">(), nsString("address"));
  id recordID = objc::send<id>(request, sel<"objectForKey:">(), nsString("recordID"));
  if (!isKindOfClassNamed(address, "NSString") || !isKindOfClassNamed(recordID, "NSNumber")) return nullptr;
  objc::Ref keepAddress = objc::Ref::retain(address);
  objc::Ref keepRecord = objc::Ref::retain(recordID);
  ns::addOperationWithBlock(objc::send<id>(objc_lookUpClass("NSOperationQueue"), sel<"mainQueue">()),
                            [keepAddress, keepRecord] { markMessageRead(keepAddress, keepRecord); });
  return nullptr;
}

void serviceMain(id self, SEL) {
  objc::AutoreleasePool pool;
  CFMessagePortRef port = CFMessagePortCreateLocal(nullptr, reinterpret_cast<CFStringRef>(nsString(kServicePortName)),
                                                   &servicePortCallback, nullptr, nullptr);
  // The name is taken (another service runs): end the thread without serving.
  if (port == nullptr) return;
  objc::send<void>(self, sel<"setLocalPort:">(), port);
  CFRunLoopSourceRef source = CFMessagePortCreateRunLoopSource(nullptr, port, 0);
  CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopDefaultMode);
  CFRunLoopRun();
}

CFMessagePortRef serviceLocalPort(id self, SEL) { return objc::ivars<NoctilServiceIvars>(self)->_localPort; }
void serviceSetLocalPort(id self, SEL, CFMessagePortRef port) { objc::ivars<NoctilServiceIvars>(self)->_localPort = port; }

}  // namespace

void requestMarkAsRead(id notification) {
  if (notification == nil) return;
  gWaiting.push_back({objc::Ref::retain(notification), 0});
  // Whatever already waits goes first, in order; then this request, if the port
  // takes it.  A notification without an address leaves the queue unsent.
  deliverWaiting();
  // The first request to find the port missing launches Messages and starts the
  // chain; later ones join it and share its launches.
  if (!gWaiting.empty() && !gTickScheduled) launchAndScheduleTick();
}

void registerServiceClass() {
  if (objc_lookUpClass("NoctilService") != Nil) return;
  objc::ClassBuilder<NoctilServiceIvars>("NoctilService", objc_lookUpClass("NSThread"))
      .ivar<&NoctilServiceIvars::_localPort>("_localPort")
      .method<&serviceMain>("main")
      .method<&serviceLocalPort>("localPort")
      .method<&serviceSetLocalPort>("setLocalPort:")
      .registerClass();
}

void startService() {
  // Not kept anywhere: the thread object lives as long as its thread runs.
  id service = objc::allocInit(objc_lookUpClass("NoctilService"));
  objc::send<void>(service, sel<"start">());
}

void markMessageRead(id address, id recordID) {
  objc::AutoreleasePool pool;
  if (!gConversationList)
    gConversationList = objc::Ref::retain(
        objc::send<id>(objc_lookUpClass("CKConversationList"), sel<"sharedConversationList">()));
  id list = gConversationList;
  id conversation = nil;
  if (objc::send<NSRange>(address, sel<"rangeOfString:">(), nsString("chat")).location != static_cast<NSUInteger>(NSNotFound))
    conversation = objc::send<id>(list, sel<"conversationForExistingChatWithGroupID:">(), address);
  else
    conversation = objc::send<id>(list, sel<"conversationForExistingChatWithAddresses:">(),
                                  objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), address));
  if (conversation == nil) {
    objc::Ref entity = objc::Ref::adopt(
        objc::send<id>(objc_lookUpClass("CKEntity"), sel<"copyEntityForAddressString:">(), address));
    if (!entity) return;
    id recipients = objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), entity.get());
    conversation = objc::send<id>(list, sel<"conversationForRecipients:create:">(), recipients, BOOL{NO});
    if (conversation == nil) return;
  }
  objc::send<void>(conversation, sel<"loadMoreMessages">());
  id messages = objc::send<id>(conversation, sel<"messages">());
  long long wanted = objc::send<long long>(recordID, sel<"longLongValue">());
  NSUInteger count = objc::send<NSUInteger>(messages, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id message = objc::send<id>(messages, sel<"objectAtIndex:">(), i);
    if (objc::send<NSInteger>(message, sel<"rowID">()) == wanted) {
      objc::send<void>(message, sel<"markAsRead">());
      objc::send<void>(conversation, sel<"updateMessage:">(), message);
      return;
    }
  }
}

void resetServiceState() {
  forgetRemotePort();
  gConversationList.reset();
  gWaiting.clear();
  gTickScheduled = false;
  ++gChainGeneration;
}

std::size_t waitingReadRequests() { return gWaiting.size(); }

}  // namespace noctil7
