// CFMessagePort: named ports between the processes of one device, with iOS's C calls.
//
// A local port serves a name: it is a Unix-domain socket "/var/run/noctil-ports/
// <name>.sock" of the device root, readable only by its owner (see
// PortTransportServer.h for the wire and PortTransportFrame.h for the frame format).
// Creating a local port whose name is served by a live port, in this process or
// another, answers NULL; a socket left behind by a dead process is taken over.  Its
// callback runs on the thread whose run loop holds the port's run-loop source.
//
// A remote port is a connection to the server of a name: NULL when nobody serves
// it.  It stays valid while the server does; once the server's process ends or its
// port is invalidated, CFMessagePortIsValid answers false and sends answer
// kCFMessagePortIsInvalid (or kCFMessagePortBecameInvalidError when the server goes
// away during a send or while a reply is awaited).  The change is noticed when the
// port is next asked (validity check or send), and the invalidation callback runs
// then, once.
//
// Sends: with a NULL reply mode the request is one-way and the call returns once it
// is handed to the connection; with a reply mode the call blocks the calling thread
// (without running its run loop) until the callback's answer arrives or the receive
// time-out passes.  A request whose data exceeds kCFMessagePortMaxDataLength (4 MiB)
// is refused with kCFMessagePortTransportError and nothing is sent; a reply above
// that limit arrives as a reply without data.  A dead peer never raises SIGPIPE.
//
// Every port object is a runtime object: CFRetain / CFRelease apply, and the last
// release of a local port gives its name up.
#pragma once

#include <corefoundation/CFBase.h>
#include <corefoundation/CFData.h>
#include <corefoundation/CFRunLoop.h>

extern "C" {

typedef struct __CFMessagePort* CFMessagePortRef;

enum : SInt32 {
  kCFMessagePortSuccess = 0,
  kCFMessagePortSendTimeout = -1,
  kCFMessagePortReceiveTimeout = -2,
  kCFMessagePortIsInvalid = -3,
  kCFMessagePortTransportError = -4,
  kCFMessagePortBecameInvalidError = -5,
};

// The largest data a request or a reply carries.
enum : CFIndex { kCFMessagePortMaxDataLength = 4 * 1024 * 1024 };

typedef struct {
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info);
  void (*release)(const void* info);
  CFStringRef (*copyDescription)(const void* info);
} CFMessagePortContext;

// The callback of a local port.  The data is valid during the call; the answer, if
// any, is owned by the port (the Create rule) and released once sent.
typedef CFDataRef (*CFMessagePortCallBack)(CFMessagePortRef local, SInt32 msgid, CFDataRef data, void* info);
typedef void (*CFMessagePortInvalidationCallBack)(CFMessagePortRef port, void* info);

// Owned by the caller.  *shouldFreeInfo (when given) says whether the caller keeps
// responsibility for context->info: true when no port was made.
CFMessagePortRef CFMessagePortCreateLocal(CFAllocatorRef allocator, CFStringRef name, CFMessagePortCallBack callout,
                                          CFMessagePortContext* context, Boolean* shouldFreeInfo);
CFMessagePortRef CFMessagePortCreateRemote(CFAllocatorRef allocator, CFStringRef name);

Boolean CFMessagePortIsRemote(CFMessagePortRef port);
// The port's name (not retained for the caller).
CFStringRef CFMessagePortGetName(CFMessagePortRef port);
void CFMessagePortGetContext(CFMessagePortRef port, CFMessagePortContext* context);

void CFMessagePortInvalidate(CFMessagePortRef port);
Boolean CFMessagePortIsValid(CFMessagePortRef port);
CFMessagePortInvalidationCallBack CFMessagePortGetInvalidationCallBack(CFMessagePortRef port);
// Runs the callback at once when the port is already invalid.
void CFMessagePortSetInvalidationCallBack(CFMessagePortRef port, CFMessagePortInvalidationCallBack callout);

// *returnData, when a reply arrives with data, is owned by the caller.
SInt32 CFMessagePortSendRequest(CFMessagePortRef remote, SInt32 msgid, CFDataRef data, CFTimeInterval sendTimeout,
                                CFTimeInterval rcvTimeout, CFStringRef replyMode, CFDataRef* returnData);

// The source that serves a local port on the run loops it is added to (owned by
// the caller; the same source each time).  NULL for a remote or invalid port.
CFRunLoopSourceRef CFMessagePortCreateRunLoopSource(CFAllocatorRef allocator, CFMessagePortRef local, CFIndex order);

}  // extern "C"
