// ChatKit: the conversations and messages of the Messages app, read from and written
// to the message store (MessageStore.h) of the device root.
//
// Runtime classes (registered when the library loads):
//   CKConversationList : NSObject
//     +sharedConversationList; conversations (NSArray of CKConversation, re-read from
//     the store); conversationForExistingChatWithGroupID: (NSString: a group chat's
//     identifier, "chat…"); conversationForExistingChatWithAddresses: (NSArray of
//     NSString: the chat whose participants are exactly these addresses, compared as
//     stored); conversationForRecipients:create: (NSArray of CKEntity, BOOL: the chat of
//     those recipients, compared in canonical form, a one-recipient chat also by its
//     identifier; with create YES a new, empty conversation when none exists).
//   CKConversation : NSObject
//     chatIdentifier, groupID (nil unless a group chat), isGroupConversation,
//     recipients (NSArray of CKEntity), messages (NSArray of CKMessage, the loaded
//     ones, oldest first; on iOS 6 — UIDevice's systemVersion below 7 — asking an
//     empty conversation loads its recent ones first), loadMoreMessages (loads every
//     message newer than the loaded ones and up to 50 older ones), updateMessage:
//     (stores the message's read state), unreadCount (NSUInteger).
//   CKMessage : NSObject
//     rowID (NSInteger), guid, text, address, date (NSDate), isFromMe, isRead (BOOL),
//     markAsRead (in memory until the conversation's updateMessage:).
//   CKEntity : NSObject
//     +copyEntityForAddressString: (answers an entity owned by the caller),
//     rawAddress, canonicalAddress (NSString), name.
#pragma once

#include <objcface/NSObject.h>

namespace ck {

Class CKConversationListClass();
Class CKConversationClass();
Class CKMessageClass();
Class CKEntityClass();

// Drops the shared conversation list, its conversations and its store connection, so
// the next +sharedConversationList reads the store of the current device root (tests
// switch device roots between cases).
void resetConversationList();

}  // namespace ck
