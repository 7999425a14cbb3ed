// CoreTelephony: the call centre of a process and the call-status notifications the
// telephony server sends it.
//
// Runtime classes (registered when the library loads):
//   CTCallCenter : NSObject
//     init (the call centre joins the server's connection), currentCalls (an NSSet of
//     CTCall, nil when there is no call), callEventHandler / setCallEventHandler: (a
//     block void(CTCall), copied; called on the main thread for every change of a
//     call's state),
//     handleNotificationFromConnection:(void* connection)ofType:(NSString)withInfo:
//     (NSDictionary) — the server's notification: for the type
//     "kCTCallStatusChangeNotification" the info carries "kCTCall" (the call's
//     identifier, an NSString) and "kCTCallStatus" (an NSNumber: 1 connected,
//     3 dialing, 4 incoming, 5 disconnected); the call centre updates currentCalls
//     and calls its event handler.  A notification of another type, or without a
//     status, changes nothing.
//   CTCall : NSObject
//     callID (NSString), callState (NSString: "CTCallStateIncoming",
//     "CTCallStateDialing", "CTCallStateConnected", "CTCallStateDisconnected").
//
// The C++ face stands for the telephony server: it sends one call-status notification
// to every live call centre of the process, through the runtime, so a replaced
// handleNotificationFromConnection:ofType:withInfo: runs as on a device.
#pragma once

#include <objcface/NSObject.h>

#include <string>

namespace ct {

Class CTCallCenterClass();
Class CTCallClass();

inline constexpr int kCallStatusConnected = 1;
inline constexpr int kCallStatusDialing = 3;
inline constexpr int kCallStatusIncoming = 4;
inline constexpr int kCallStatusDisconnected = 5;

// The notification type of a call-status change and its two info keys.
inline constexpr const char* kCallStatusChangeNotification = "kCTCallStatusChangeNotification";
inline constexpr const char* kCallKey = "kCTCall";
inline constexpr const char* kCallStatusKey = "kCTCallStatus";

// Sends the status of the call `callID` to every live CTCallCenter of the process
// (handleNotificationFromConnection:ofType:withInfo:), oldest centre first; answers
// how many received it.  Main thread only.
std::size_t postCallStatus(const std::string& callID, int status);

// The number of live call centres (tests).
std::size_t callCenterCount();

}  // namespace ct
