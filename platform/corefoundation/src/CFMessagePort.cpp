#include <corefoundation/CFMessagePort.h>

#include <corefoundation/PortTransportClient.h>
#include <corefoundation/PortTransportServer.h>

#include <foundation/NSData.h>
#include <foundation/NSString.h>
#include <objcface/ClassBuilder.h>
#include <objcface/Ivar.h>

#include <memory>
#include <mutex>
#include <string>

namespace {

using cf::port::PortClient;
using cf::port::PortServer;
using cf::port::Reply;
using cf::port::Request;
using cf::port::SendResult;

static_assert(kCFMessagePortMaxDataLength == static_cast<CFIndex>(cf::port::kMaxPayload),
              "the documented limit is the transport's limit");
static_assert(static_cast<SInt32>(SendResult::becameInvalid) == kCFMessagePortBecameInvalidError &&
                  static_cast<SInt32>(SendResult::isInvalid) == kCFMessagePortIsInvalid &&
                  static_cast<SInt32>(SendResult::sendTimeout) == kCFMessagePortSendTimeout,
              "transport results carry CFMessagePort's codes");

// Everything a port object owns.  Guarded by `mutex`; callbacks run without it.
struct PortState {
  std::mutex mutex;
  bool remote = false;
  bool valid = true;
  objc::Ref name;  // NSString
  std::unique_ptr<PortServer> server;
  std::unique_ptr<PortClient> client;
  CFMessagePortCallBack callout = nullptr;
  CFMessagePortContext context{};
  CFMessagePortInvalidationCallBack invalidationCallout = nullptr;
  CFRunLoopSourceRef source = nullptr;  // owned
};

struct MessagePortIvars : NSObjectIvars {
  std::unique_ptr<PortState> _state;
};

void portDealloc(id self, SEL cmd);

Class messagePortClass() {
  static Class cls = objc::ClassBuilder<MessagePortIvars>("__NSCFMessagePort", objc::NSObjectClass())
                         .ivar<&MessagePortIvars::_state>("_state")
                         .method<&portDealloc>("dealloc")
                         .registerClass();
  return cls;
}

// The class exists as soon as the library is loaded, so it can be found by name.
[[maybe_unused]] const Class registeredAtLoad = messagePortClass();

PortState* stateOf(CFMessagePortRef port) {
  if (port == nullptr) return nullptr;
  return objc::ivars<MessagePortIvars>(cf::toId(port))->_state.get();
}

id newPort(bool remote, std::string_view name) {
  id port = class_createInstance(messagePortClass(), 0);
  auto& state = objc::ivars<MessagePortIvars>(port)->_state;
  state = std::make_unique<PortState>();
  state->remote = remote;
  state->name = ns::makeString(name);
  return port;
}

// Marks the port invalid (once), tears its transport down and runs the
// invalidation callback.  The port is kept alive for the duration, unless it is
// already being deallocated (`deallocating`).
void invalidate(CFMessagePortRef port, bool deallocating = false) {
  PortState* state = stateOf(port);
  if (state == nullptr) return;
  objc::Ref keep = deallocating ? objc::Ref() : objc::Ref::retain(cf::toId(port));
  CFRunLoopSourceRef source = nullptr;
  CFMessagePortInvalidationCallBack callout = nullptr;
  void* info = nullptr;
  {
    std::lock_guard guard(state->mutex);
    if (!state->valid) return;
    state->valid = false;
    source = std::exchange(state->source, nullptr);
    callout = state->invalidationCallout;
    info = state->context.info;
  }
  // The server object lives until dealloc: a callback that invalidates its own port
  // is still inside the server's service().
  if (state->server) state->server->close();
  if (state->client) state->client->invalidate();
  if (source != nullptr) {
    CFRunLoopSourceInvalidate(source);
    CFRelease(source);
  }
  if (callout != nullptr) callout(port, info);
}

void portDealloc(id self, SEL cmd) {
  auto port = cf::fromId<CFMessagePortRef>(self);
  invalidate(port, true);
  auto& state = objc::ivars<MessagePortIvars>(self)->_state;
  if (state && state->context.release && state->context.info) state->context.release(state->context.info);
  state.reset();
  state.~unique_ptr();
  objc::sendSuper<void>(self, messagePortClass(), cmd);
}

// Serves what is ready on a local port: runs on the thread of the loop holding the
// port's source.
void servePort(CFMessagePortRef port) {
  PortState* state = stateOf(port);
  CFMessagePortCallBack callout;
  void* info;
  {
    std::lock_guard guard(state->mutex);
    if (!state->valid) return;
    callout = state->callout;
    info = state->context.info;
  }
  state->server->service([&](const Request& request) -> Reply {
    if (callout == nullptr) return std::nullopt;
    objc::AutoreleasePool pool;
    objc::Ref data = ns::makeData(request.data);
    CFDataRef answer = callout(port, request.messageId, cf::fromId<CFDataRef>(data.get()), info);
    if (answer == nullptr) return std::nullopt;
    auto bytes = ns::bytesOf(cf::toId(answer));
    Reply reply(std::in_place, bytes.begin(), bytes.end());
    CFRelease(answer);
    return reply;
  });
}

}  // namespace

extern "C" CFMessagePortRef CFMessagePortCreateLocal(CFAllocatorRef, CFStringRef name, CFMessagePortCallBack callout,
                                                     CFMessagePortContext* context, Boolean* shouldFreeInfo) {
  if (shouldFreeInfo) *shouldFreeInfo = true;
  if (name == nullptr) return nullptr;  // unnamed ports could never be reached here
  std::string text = ns::utf8(cf::toId(name));
  auto server = PortServer::listen(text);
  if (!server) return nullptr;
  id port = newPort(false, text);
  PortState* state = objc::ivars<MessagePortIvars>(port)->_state.get();
  state->server = std::move(server);
  state->callout = callout;
  if (context != nullptr) {
    state->context = *context;
    if (context->retain && context->info) state->context.info = const_cast<void*>(context->retain(context->info));
  }
  if (shouldFreeInfo) *shouldFreeInfo = false;
  return cf::fromId<CFMessagePortRef>(port);
}

extern "C" CFMessagePortRef CFMessagePortCreateRemote(CFAllocatorRef, CFStringRef name) {
  if (name == nullptr) return nullptr;
  std::string text = ns::utf8(cf::toId(name));
  auto client = PortClient::connect(text);
  if (!client) return nullptr;
  id port = newPort(true, text);
  objc::ivars<MessagePortIvars>(port)->_state->client = std::move(client);
  return cf::fromId<CFMessagePortRef>(port);
}

extern "C" Boolean CFMessagePortIsRemote(CFMessagePortRef port) {
  PortState* state = stateOf(port);
  return state != nullptr && state->remote;
}

extern "C" CFStringRef CFMessagePortGetName(CFMessagePortRef port) {
  PortState* state = stateOf(port);
  return state ? cf::fromId<CFStringRef>(state->name.get()) : nullptr;
}

extern "C" void CFMessagePortGetContext(CFMessagePortRef port, CFMessagePortContext* context) {
  PortState* state = stateOf(port);
  if (state == nullptr || context == nullptr) return;
  std::lock_guard guard(state->mutex);
  *context = state->context;
}

extern "C" void CFMessagePortInvalidate(CFMessagePortRef port) { invalidate(port); }

extern "C" Boolean CFMessagePortIsValid(CFMessagePortRef port) {
  PortState* state = stateOf(port);
  if (state == nullptr) return false;
  {
    std::lock_guard guard(state->mutex);
    if (!state->valid) return false;
  }
  // A remote port learns here that its server went away.
  if (state->remote && !state->client->isValid()) {
    invalidate(port);
    return false;
  }
  return true;
}

extern "C" CFMessagePortInvalidationCallBack CFMessagePortGetInvalidationCallBack(CFMessagePortRef port) {
  PortState* state = stateOf(port);
  if (state == nullptr) return nullptr;
  std::lock_guard guard(state->mutex);
  return state->invalidationCallout;
}

extern "C" void CFMessagePortSetInvalidationCallBack(CFMessagePortRef port, CFMessagePortInvalidationCallBack callout) {
  PortState* state = stateOf(port);
  if (state == nullptr) return;
  bool alreadyInvalid;
  {
    std::lock_guard guard(state->mutex);
    state->invalidationCallout = callout;
    alreadyInvalid = !state->valid;
  }
  if (alreadyInvalid && callout != nullptr) callout(port, state->context.info);
}

extern "C" SInt32 CFMessagePortSendRequest(CFMessagePortRef remote, SInt32 msgid, CFDataRef data,
                                           CFTimeInterval sendTimeout, CFTimeInterval rcvTimeout, CFStringRef replyMode,
                                           CFDataRef* returnData) {
  if (returnData) *returnData = nullptr;
  PortState* state = stateOf(remote);
  // A local port is not a destination: requests go to remote ports.
  if (state == nullptr || !state->remote) return kCFMessagePortIsInvalid;
  {
    std::lock_guard guard(state->mutex);
    if (!state->valid) return kCFMessagePortIsInvalid;
  }
  objc::Ref keep = objc::Ref::retain(cf::toId(remote));
  auto bytes = data ? ns::bytesOf(cf::toId(data)) : std::span<const std::uint8_t>();
  bool wantsReply = replyMode != nullptr;
  Reply reply;
  SendResult result = state->client->send(msgid, bytes, sendTimeout, rcvTimeout, wantsReply, &reply);
  if (result == SendResult::isInvalid || result == SendResult::becameInvalid ||
      (result == SendResult::transportError && !state->client->isValid()))
    invalidate(remote);
  if (result == SendResult::success && reply && returnData)
    *returnData = CFDataCreate(nullptr, reply->data(), static_cast<CFIndex>(reply->size()));
  return static_cast<SInt32>(result);
}

extern "C" CFRunLoopSourceRef CFMessagePortCreateRunLoopSource(CFAllocatorRef, CFMessagePortRef local, CFIndex order) {
  PortState* state = stateOf(local);
  if (state == nullptr || state->remote) return nullptr;
  std::lock_guard guard(state->mutex);
  if (!state->valid) return nullptr;
  if (state->source == nullptr) {
    // The source keeps the port alive while it is scheduled, as CoreFoundation's
    // does; invalidating the port ends both.
    objc::Ref keep = objc::Ref::retain(cf::toId(local));
    state->source = cf::createDescriptorSource(state->server->pollFd(), order,
                                               [keep] { servePort(cf::fromId<CFMessagePortRef>(keep.get())); });
    if (state->source == nullptr) return nullptr;
  }
  return static_cast<CFRunLoopSourceRef>(const_cast<void*>(CFRetain(state->source)));
}
