// message and expect read: the Messages app's SQLite store in the device root,
// which every program of the device shares.
#include "CommandFamilies.h"

#include <chatkit/MessageStore.h>

namespace hosts {

Outcome run(const scenario::PutMessage& c, CommandContext&) {
  auto status = ck::addMessage(c.chat, c.rowID, c.text);
  if (!status) return Outcome::error("cannot put the message into the store: " + status.error().message);
  return Outcome::done();
}

Outcome run(const scenario::ExpectRead& c, CommandContext&) {
  auto read = ck::isMessageRead(c.rowID);
  if (!read) return Outcome::mismatch(c.read ? "read" : "unread", "no message " + std::to_string(c.rowID) + " (" +
                                                                     read.error().message + ")");
  return Outcome::compare(*read == c.read, c.read ? "read" : "unread", *read ? "read" : "unread");
}

}  // namespace hosts
