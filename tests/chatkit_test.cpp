// ChatKit: the look-ups the Messages app makes (group identifier, addresses, the
// recipients fall-back), entities, loading messages, and marking read persisted in
// the SQLite store.
#include <chatkit/ChatKit.h>
#include <chatkit/MessageStore.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSArray.h>
#include <foundation/NSString.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

using objc::sel;
using objc::send;

namespace {

class ChatKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ck::resetConversationList();
  }
  void TearDown() override { ck::resetConversationList(); }

  id list() { return send<id>(ck::CKConversationListClass(), sel<"sharedConversationList">()); }
  id byAddress(const char* address) {
    return send<id>(list(), sel<"conversationForExistingChatWithAddresses:">(), ns::array({ns::str(address)}));
  }
  id byGroup(const char* group) {
    return send<id>(list(), sel<"conversationForExistingChatWithGroupID:">(), ns::str(group));
  }
  id byRecipient(const char* address, BOOL create = NO) {
    objc::Ref entity = objc::Ref::adopt(send<id>(ck::CKEntityClass(), sel<"copyEntityForAddressString:">(), ns::str(address)));
    return send<id>(list(), sel<"conversationForRecipients:create:">(), ns::array({entity.get()}), create);
  }
  // The message of a conversation with that row ID after loading, or nil.
  id loadedMessage(id conversation, NSInteger rowID) {
    send<void>(conversation, sel<"loadMoreMessages">());
    for (id m : ns::elements(send<id>(conversation, sel<"messages">()))) {
      if (send<NSInteger>(m, sel<"rowID">()) == rowID) return m;
    }
    return nil;
  }
  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

TEST_F(ChatKitTest, ConversationsAreFoundByAddressAndByGroupIdentifier) {
  ASSERT_TRUE(ck::addMessage("+15551234567", 10, "hello").ok());
  ASSERT_TRUE(ck::addMessage("chat424242", 11, "group hello").ok());

  id single = byAddress("+15551234567");
  ASSERT_NE(single, nil);
  EXPECT_FALSE(send<BOOL>(single, sel<"isGroupConversation">()));
  EXPECT_EQ(send<id>(single, sel<"groupID">()), nil);
  id group = byGroup("chat424242");
  ASSERT_NE(group, nil);
  EXPECT_TRUE(send<BOOL>(group, sel<"isGroupConversation">()));
  EXPECT_NE(group, single);

  // An address is not a group identifier, and the other way round.
  EXPECT_EQ(byGroup("+15551234567"), nil);
  EXPECT_EQ(byAddress("chat424242"), nil);
  EXPECT_EQ(byGroup("chat000"), nil);
  // The same look-up answers the same conversation object.
  EXPECT_EQ(byAddress("+15551234567"), single);
}

TEST_F(ChatKitTest, TheRecipientsLookUpFindsWhatTheExactOnesMiss) {
  ASSERT_TRUE(ck::addMessage("+1 (555) 123-4567", 1, "formatted").ok());
  ASSERT_TRUE(ck::addMessage("chatty@example.com", 2, "mail address").ok());

  // Handles are stored canonical; a differently written address misses the exact
  // look-up and is found through an entity.
  EXPECT_EQ(byAddress("+1 (555) 123-4567"), nil);
  id phone = byRecipient("+1 (555) 123-4567");
  ASSERT_NE(phone, nil);
  EXPECT_EQ(phone, byAddress("+15551234567"));

  // An e-mail address containing "chat" is no group; the fall-back finds its chat.
  EXPECT_EQ(byGroup("chatty@example.com"), nil);
  id mail = byRecipient("chatty@example.com");
  ASSERT_NE(mail, nil);
  EXPECT_NE(loadedMessage(mail, 2), nil);

  // Without create nothing is made; with it an empty conversation is.
  EXPECT_EQ(byRecipient("+15550000000"), nil);
  id made = byRecipient("+15550000000", YES);
  ASSERT_NE(made, nil);
  EXPECT_EQ(send<NSUInteger>(send<id>(made, sel<"messages">()), sel<"count">()), 0u);
}

TEST_F(ChatKitTest, AnEntityIsOwnedByTheCaller) {
  id entity = send<id>(ck::CKEntityClass(), sel<"copyEntityForAddressString:">(), ns::str("+1 555 000"));
  ASSERT_NE(entity, nil);
  EXPECT_EQ(send<NSUInteger>(entity, sel<"retainCount">()), 1u);
  EXPECT_EQ(ns::utf8(send<id>(entity, sel<"rawAddress">())), "+1 555 000");
  EXPECT_EQ(ns::utf8(send<id>(entity, sel<"canonicalAddress">())), "+1555000");
  objc::release(entity);
  EXPECT_EQ(send<id>(ck::CKEntityClass(), sel<"copyEntityForAddressString:">(), id{nil}), nil);
}

TEST_F(ChatKitTest, MarkedReadAndUpdatedStaysReadInTheStore) {
  ASSERT_TRUE(ck::addMessage("+15551234567", 7, "one").ok());
  ASSERT_TRUE(ck::addMessage("+15551234567", 8, "two").ok());
  id conversation = byAddress("+15551234567");
  id message = loadedMessage(conversation, 8);
  ASSERT_NE(message, nil);
  EXPECT_FALSE(send<BOOL>(message, sel<"isRead">()));
  EXPECT_EQ(send<NSUInteger>(conversation, sel<"unreadCount">()), 2u);

  // markAsRead alone changes only the object in memory.
  send<void>(message, sel<"markAsRead">());
  EXPECT_TRUE(send<BOOL>(message, sel<"isRead">()));
  EXPECT_FALSE(ck::isMessageRead(8).value());
  send<void>(conversation, sel<"updateMessage:">(), message);
  EXPECT_TRUE(ck::isMessageRead(8).value());
  EXPECT_FALSE(ck::isMessageRead(7).value());

  // A fresh list (the app restarted) reads the stored state.
  ck::resetConversationList();
  id again = loadedMessage(byAddress("+15551234567"), 8);
  ASSERT_NE(again, nil);
  EXPECT_TRUE(send<BOOL>(again, sel<"isRead">()));
  // Something that is not a message of ChatKit changes nothing.
  send<void>(byAddress("+15551234567"), sel<"updateMessage:">(), ns::str("not a message"));
}

TEST_F(ChatKitTest, LoadingPicksUpNewMessagesAndPagesBackwards) {
  {
    auto store = ck::MessageStore::open();
    ASSERT_TRUE(store.ok());
    for (NSInteger row = 1; row <= 60; ++row) {
      ASSERT_TRUE((*store)->addMessage("a@b.c", row, "m" + std::to_string(row)).ok());
    }
  }
  id conversation = byAddress("a@b.c");
  EXPECT_EQ(send<NSUInteger>(send<id>(conversation, sel<"messages">()), sel<"count">()), 0u);
  send<void>(conversation, sel<"loadMoreMessages">());
  auto messages = ns::elements(send<id>(conversation, sel<"messages">()));
  ASSERT_EQ(messages.size(), 50u);
  EXPECT_EQ(send<NSInteger>(messages.front(), sel<"rowID">()), 11);
  EXPECT_EQ(send<NSInteger>(messages.back(), sel<"rowID">()), 60);

  // A message stored by another process after the first load is found by the next.
  ASSERT_TRUE(ck::addMessage("a@b.c", 61, "late").ok());
  send<void>(conversation, sel<"loadMoreMessages">());
  messages = ns::elements(send<id>(conversation, sel<"messages">()));
  ASSERT_EQ(messages.size(), 61u);
  EXPECT_EQ(send<NSInteger>(messages.front(), sel<"rowID">()), 1);
  EXPECT_EQ(send<NSInteger>(messages.back(), sel<"rowID">()), 61);
  EXPECT_EQ(ns::utf8(send<id>(messages.back(), sel<"text">())), "late");
}

TEST_F(ChatKitTest, AConversationMadeBeforeItsChatExistedFindsNothingToLoad) {
  id conversation = byRecipient("+15557654321", YES);
  send<void>(conversation, sel<"loadMoreMessages">());
  EXPECT_EQ(send<NSUInteger>(send<id>(conversation, sel<"messages">()), sel<"count">()), 0u);
}

}  // namespace
