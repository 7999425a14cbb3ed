// Shared between the ChatKit classes: the ivar layouts and the constructors that make
// runtime objects from store records.
#pragma once

#include <chatkit/ChatKit.h>
#include <chatkit/MessageStore.h>

#include <memory>

namespace ck::detail {

struct CKMessageIvars : NSObjectIvars {
  NSInteger _rowID;
  id _guid;
  id _text;
  id _address;
  id _date;
  BOOL _isFromMe;
  BOOL _isRead;
  double _dateRead;
};

struct CKConversationIvars : NSObjectIvars {
  int64_t _chatRowID;
  id _chatIdentifier;
  id _recipients;  // NSMutableArray of CKEntity
  id _messages;    // NSMutableArray of CKMessage, oldest first
  BOOL _isGroup;
  std::shared_ptr<MessageStore> _store;  // zero-filled is an empty pointer
};

// The shared conversation list's store, opened on first use at the current device
// root; empty when it cannot be opened.
std::shared_ptr<MessageStore> sharedStore();

// New objects owned by the caller.
id newMessage(const MessageRecord& record);
id newConversation(const ChatRecord& chat, std::shared_ptr<MessageStore> store);
id newEntity(const std::string& address);

}  // namespace ck::detail
