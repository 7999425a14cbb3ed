// The Messages app's message store: the SQLite database "/var/mobile/Library/SMS/
// sms.db" of the device root, in the shape iOS gives it (tables message, chat,
// handle, chat_message_join, chat_handle_join).  ChatKit's conversation objects read
// and update it; the host programs put messages into it and check their read state.
// Several processes may use one store at once (SQLite's own locking, write-ahead log).
#pragma once

#include <objcface/Result.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace ck {

// The device path of the store.
inline constexpr const char* kMessageStorePath = "/var/mobile/Library/SMS/sms.db";

// The canonical form of an address, as handles are stored: "tel:", "sms:" and
// "mailto:" prefixes dropped, e-mail addresses in lower case, and phone numbers
// reduced to their digits (keeping a leading "+").  Anything else is kept as given.
std::string canonicalAddress(std::string_view address);

// A group chat is named by an identifier that contains "chat" ("chat123456789").
bool isGroupChatIdentifier(std::string_view identifier);

struct MessageRecord {
  int64_t rowID = 0;
  std::string guid;
  std::string text;
  std::string handle;   // the sender's address ("" for a message from me or unknown)
  bool isRead = false;
  bool isFromMe = false;
  int64_t date = 0;      // seconds since 2001-01-01 UTC
  int64_t dateRead = 0;  // 0 while unread
};

struct ChatRecord {
  int64_t rowID = 0;
  std::string guid;
  std::string chatIdentifier;        // the address, or the group chat's identifier
  int64_t style = 0;                 // 45 for a chat with one person, 43 for a group
  std::vector<std::string> handles;  // the participants' addresses, in stored order
};

class MessageStore {
 public:
  // Opens the store at a device path, creating the file and its tables when missing.
  static objc::Result<std::unique_ptr<MessageStore>> open(std::string_view devicePath = kMessageStorePath);
  ~MessageStore();
  MessageStore(const MessageStore&) = delete;
  MessageStore& operator=(const MessageStore&) = delete;

  // Puts an unread incoming message with the given row ID into the chat of an
  // address (created with its handle when missing) or of a group chat identifier.
  // An error when the row ID is taken, the row ID is not positive or the address is
  // empty; nothing is written then.
  objc::Status addMessage(std::string_view addressOrChatID, int64_t rowID, std::string_view text);

  // Every chat with its participants, in row order.
  objc::Result<std::vector<ChatRecord>> chats();

  // Messages of a chat in time order (oldest first).  `olderThan` limits the answer
  // to the `limit` newest messages before that message; `newerThan` to every message
  // after it.  Without either: the `limit` newest messages.
  objc::Result<std::vector<MessageRecord>> messagesBefore(int64_t chatRowID, std::optional<int64_t> olderThanRowID,
                                                          int limit);
  objc::Result<std::vector<MessageRecord>> messagesAfter(int64_t chatRowID, int64_t newerThanRowID);

  // Stores a message's read state (is_read, date_read).  An error when no such row.
  objc::Status updateReadState(int64_t rowID, bool isRead, int64_t dateRead);

  // The read state of a message; an error when no such row.
  objc::Result<bool> isRead(int64_t rowID);

  const std::string& hostPath() const { return hostPath_; }

 private:
  MessageStore(sqlite3* db, std::string hostPath) : db_(db), hostPath_(std::move(hostPath)) {}
  objc::Result<int64_t> chatFor(std::string_view identifier, bool group);
  sqlite3* db_;
  std::string hostPath_;
};

// Conveniences on the store of the current device root, for host programs and tests.
objc::Status addMessage(std::string_view addressOrChatID, int64_t rowID, std::string_view text);
objc::Result<bool> isMessageRead(int64_t rowID);

}  // namespace ck
