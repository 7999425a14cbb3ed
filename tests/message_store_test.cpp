// The Messages store: the sms.db shape, adding unread messages, chats per address or
// group identifier, paging, read state kept in the file and visible to the sqlite3
// tool, and refusal of bad input.
#include <chatkit/MessageStore.h>
#include <foundation/DeviceRoot.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

namespace {

class MessageStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  std::unique_ptr<ck::MessageStore> open() {
    auto store = ck::MessageStore::open();
    EXPECT_TRUE(store.ok()) << (store.ok() ? "" : store.error().message);
    return store.ok() ? std::move(store.value()) : nullptr;
  }
  // Runs the sqlite3 command-line tool on the store and answers its output.
  std::string sqlite3(const std::string& query) {
    std::string command = "sqlite3 '" + (root_.path() / "var/mobile/Library/SMS/sms.db").string() + "' \"" + query + "\"";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "popen failed";
    std::array<char, 256> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    pclose(pipe);
    return output;
  }
  testing_support::TempDir root_;
};

TEST(MessageAddress, CanonicalFormsAndGroupIdentifiers) {
  EXPECT_EQ(ck::canonicalAddress("+1 (555) 123-4567"), "+15551234567");
  EXPECT_EQ(ck::canonicalAddress("555.123.4567"), "5551234567");
  EXPECT_EQ(ck::canonicalAddress("tel:+15551234567"), "+15551234567");
  EXPECT_EQ(ck::canonicalAddress(" Chatty@Example.COM "), "chatty@example.com");
  EXPECT_EQ(ck::canonicalAddress("chat123456"), "chat123456");
  EXPECT_TRUE(ck::isGroupChatIdentifier("chat123456"));
  EXPECT_FALSE(ck::isGroupChatIdentifier("+15551234567"));
}

TEST_F(MessageStoreTest, AddedMessagesAreUnreadInTheirChatAndReadStateIsStored) {
  auto store = open();
  ASSERT_TRUE(store);
  ASSERT_TRUE(store->addMessage("+1 (555) 123-4567", 7, "hello").ok());
  ASSERT_TRUE(store->addMessage("+15551234567", 8, "again").ok());
  ASSERT_TRUE(store->addMessage("chat900", 9, "group").ok());

  auto chats = store->chats();
  ASSERT_TRUE(chats.ok());
  ASSERT_EQ(chats->size(), 2u);
  EXPECT_EQ((*chats)[0].chatIdentifier, "+15551234567");
  EXPECT_EQ((*chats)[0].style, 45);
  EXPECT_EQ((*chats)[0].handles, std::vector<std::string>{"+15551234567"});
  EXPECT_EQ((*chats)[1].chatIdentifier, "chat900");
  EXPECT_EQ((*chats)[1].style, 43);
  EXPECT_TRUE((*chats)[1].handles.empty());

  auto messages = store->messagesBefore((*chats)[0].rowID, std::nullopt, 50);
  ASSERT_TRUE(messages.ok());
  ASSERT_EQ(messages->size(), 2u);
  EXPECT_EQ((*messages)[0].rowID, 7);
  EXPECT_EQ((*messages)[0].text, "hello");
  EXPECT_EQ((*messages)[0].handle, "+15551234567");
  EXPECT_FALSE((*messages)[0].isRead);
  EXPECT_EQ((*messages)[1].rowID, 8);

  EXPECT_FALSE(store->isRead(8).value());
  ASSERT_TRUE(store->updateReadState(8, true, 1000).ok());
  EXPECT_TRUE(store->isRead(8).value());
  EXPECT_FALSE(store->isRead(7).value());
  store.reset();

  // The state is in the file: a new connection and the sqlite3 tool both see it.
  EXPECT_TRUE(ck::isMessageRead(8).value());
  EXPECT_EQ(sqlite3("SELECT ROWID, is_read FROM message ORDER BY ROWID"), "7|0\n8|1\n9|0\n");
  EXPECT_EQ(sqlite3("SELECT c.chat_identifier FROM chat c JOIN chat_message_join j ON j.chat_id = c.ROWID "
                    "WHERE j.message_id = 9"),
            "chat900\n");
}

TEST_F(MessageStoreTest, PagesGoBackInTimeAndNewerMessagesAreFound) {
  auto store = open();
  ASSERT_TRUE(store);
  for (int64_t row = 1; row <= 5; ++row) ASSERT_TRUE(store->addMessage("a@b.c", row, "m" + std::to_string(row)).ok());
  int64_t chat = store->chats().value()[0].rowID;
  auto newest = store->messagesBefore(chat, std::nullopt, 2).value();
  ASSERT_EQ(newest.size(), 2u);
  EXPECT_EQ(newest[0].rowID, 4);
  EXPECT_EQ(newest[1].rowID, 5);
  auto older = store->messagesBefore(chat, 4, 2).value();
  ASSERT_EQ(older.size(), 2u);
  EXPECT_EQ(older[0].rowID, 2);
  EXPECT_EQ(older[1].rowID, 3);
  auto after = store->messagesAfter(chat, 3).value();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].rowID, 4);
}

TEST_F(MessageStoreTest, BadInputIsRefusedAndChangesNothing) {
  auto store = open();
  ASSERT_TRUE(store);
  ASSERT_TRUE(store->addMessage("+15550000000", 3, "first").ok());
  auto taken = store->addMessage("+15559999999", 3, "duplicate");
  ASSERT_FALSE(taken.ok());
  EXPECT_NE(taken.error().message.find("exists"), std::string::npos);
  // The refused message did not leave a half-made chat behind.
  EXPECT_EQ(store->chats().value().size(), 1u);
  EXPECT_FALSE(store->addMessage("", 4, "x").ok());
  EXPECT_FALSE(store->addMessage("+1555", 0, "x").ok());
  EXPECT_FALSE(store->addMessage("+1555", -2, "x").ok());
  EXPECT_FALSE(store->isRead(42).ok());
  EXPECT_FALSE(store->updateReadState(42, true, 1).ok());
  // Text with quotes and SQL in it is stored as text.
  ASSERT_TRUE(store->addMessage("+15550000000", 5, "it's'); DROP TABLE message; --").ok());
  int64_t chat = store->chats().value()[0].rowID;
  EXPECT_EQ(store->messagesBefore(chat, std::nullopt, 10).value().back().text, "it's'); DROP TABLE message; --");
}

TEST_F(MessageStoreTest, AStorePathAboveTheDeviceRootIsRefused) {
  auto store = ck::MessageStore::open("/../outside.db");
  EXPECT_FALSE(store.ok());
}

}  // namespace
