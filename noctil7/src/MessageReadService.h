// Marking a text message read in Messages when its notification is removed.  In
// SpringBoard the client sends a one-way request over the message port
// "com.trelmo.noctilservice" (launching Messages in the background and retrying when
// the port is not there); in MobileSMS the NoctilService thread serves that port and
// marks the message read on the main thread.
#pragma once

#include <objcface/Types.h>

#include <cstddef>

namespace noctil7 {

inline constexpr const char* kServicePortName = "com.trelmo.noctilservice";
inline constexpr double kRetryDelay = 0.1;
// Attempts made for one request while the port is missing (about 30 seconds); after
// the last one the request is dropped, so a Messages app that never opens its port
// does not keep SpringBoard launching it for ever.
inline constexpr int kMaxAttempts = 300;

// Sends a read request for a removed text-message notification (SpringBoard side).
// When the port is missing, or a send over it fails, the request waits: Messages is
// launched in the background and the port looked at again every kRetryDelay, each
// request for at most kMaxAttempts retries.  Requests waiting at the same time share
// one launch and one look per retry, and go out in the order they were made.
void requestMarkAsRead(id notification);

// Requests waiting for the port (tests).
std::size_t waitingReadRequests();

// Registers the NoctilService class (once).
void registerServiceClass();

// Creates and starts the service thread (MobileSMS start-up).
void startService();

// Marks the message with that row ID of the conversation for `address` read (main
// thread of MobileSMS).
void markMessageRead(id address, id recordID);

// Forgets the cached remote port and conversation list (tests).
void resetServiceState();

}  // namespace noctil7
