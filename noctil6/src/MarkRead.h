// Marking a removed text message read, in SpringBoard itself: on iOS 6 SpringBoard
// has ChatKit, so the tweak finds the conversation of the notification and marks the
// message with the notification's record ID read there.  Nothing is reported; a
// conversation or message that is not found marks nothing.
#pragma once

#include <objcface/Types.h>

namespace noctil6 {

// The OS version as UIDevice reports it, read as a float (6.1 for "6.1.3").
float systemVersion();

// The chat identifier of a Messages notification: the text after the first "=" of
// its default action's launch URL (percent escapes decoded as ASCII), up to the next
// "=" or the end.  nil when the URL has no "=".
id chatIdentifierOf(id notification);

// Marks the notification's message read (OS 6.0 and later only).  The conversation
// is the existing group chat of the identifier when it contains "chat", else the
// existing chat with that one address; the message is the first of the conversation
// whose rowID equals the notification's recordID read as a 32-bit integer.
void markNotificationRead(id notification);

}  // namespace noctil6
