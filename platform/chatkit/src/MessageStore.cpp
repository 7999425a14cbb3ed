#include <chatkit/MessageStore.h>

#include "Statement.h"

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>

namespace ck {
namespace {

// The tables with the columns of the iOS 7 store that the platform reads or fills;
// further columns of the real store are left out.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL,
  country TEXT, service TEXT NOT NULL, uncanonicalized_id TEXT, UNIQUE (id, service));
CREATE TABLE IF NOT EXISTS message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL,
  text TEXT, handle_id INTEGER DEFAULT 0, subject TEXT, service TEXT, error INTEGER DEFAULT 0,
  date INTEGER, date_read INTEGER, date_delivered INTEGER, is_delivered INTEGER DEFAULT 0,
  is_finished INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0,
  is_sent INTEGER DEFAULT 0);
CREATE TABLE IF NOT EXISTS chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL,
  style INTEGER, state INTEGER, account_id TEXT, chat_identifier TEXT, service_name TEXT,
  room_name TEXT, is_archived INTEGER DEFAULT 0, display_name TEXT, group_id TEXT);
CREATE TABLE IF NOT EXISTS chat_handle_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE,
  handle_id INTEGER REFERENCES handle (ROWID) ON DELETE CASCADE, UNIQUE (chat_id, handle_id));
CREATE TABLE IF NOT EXISTS chat_message_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE,
  message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE, PRIMARY KEY (chat_id, message_id));
CREATE INDEX IF NOT EXISTS chat_message_join_idx_message_id ON chat_message_join (message_id);
)sql";

constexpr int64_t kStyleSingle = 45;
constexpr int64_t kStyleGroup = 43;

bool isPhoneLike(std::string_view s) {
  bool digit = false;
  for (char c : s) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digit = true;
    } else if (c != '+' && c != ' ' && c != '-' && c != '(' && c != ')' && c != '.') {
      return false;
    }
  }
  return digit;
}

std::string newGUID() {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) s += '-';
    s += hex[generator() & 15];
  }
  return s;
}

int64_t nowSeconds() { return static_cast<int64_t>(ns::now()); }

MessageRecord readMessage(Statement& q) {
  MessageRecord m;
  m.rowID = q.int64(0);
  m.guid = q.text(1);
  m.text = q.text(2);
  m.handle = q.text(3);
  m.isRead = q.int64(4) != 0;
  m.isFromMe = q.int64(5) != 0;
  m.date = q.int64(6);
  m.dateRead = q.int64(7);
  return m;
}

constexpr const char* kMessageColumns =
    "SELECT m.ROWID, m.guid, m.text, IFNULL(h.id, ''), m.is_read, m.is_from_me, IFNULL(m.date, 0), "
    "IFNULL(m.date_read, 0) FROM message m JOIN chat_message_join j ON j.message_id = m.ROWID "
    "LEFT JOIN handle h ON h.ROWID = m.handle_id WHERE j.chat_id = ?1 ";

}  // namespace

std::string canonicalAddress(std::string_view address) {
  std::string s(address);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.erase(s.begin());
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  for (std::string_view prefix : {"tel:", "sms:", "mailto:"}) {
    if (s.size() > prefix.size() && std::equal(prefix.begin(), prefix.end(), s.begin(), [](char a, char b) {
          return a == std::tolower(static_cast<unsigned char>(b));
        })) {
      s.erase(0, prefix.size());
      break;
    }
  }
  if (s.find('@') != std::string::npos) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
  }
  if (isPhoneLike(s)) {
    std::string digits;
    for (char c : s) {
      if (std::isdigit(static_cast<unsigned char>(c)) || (c == '+' && digits.empty())) digits += c;
    }
    return digits;
  }
  return s;
}

bool isGroupChatIdentifier(std::string_view identifier) { return identifier.find("chat") != std::string_view::npos; }

objc::Result<std::unique_ptr<MessageStore>> MessageStore::open(std::string_view devicePath) {
  auto path = ns::hostPath(devicePath);
  if (!path) return path.error();
  std::error_code ec;
  std::filesystem::create_directories(path->parent_path(), ec);
  if (ec) return objc::makeError("cannot create " + path->parent_path().string() + ": " + ec.message());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path->c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    return objc::makeError("cannot open the message store " + path->string() + ": " + message);
  }
  std::unique_ptr<MessageStore> store(new MessageStore(db, path->string()));
  // Other processes (the Messages app, the scenario runner) use the same file.
  sqlite3_busy_timeout(db, 5000);
  if (auto s = exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;"); !s) return s.error();
  if (auto s = exec(db, kSchema); !s) return s.error();
  return store;
}

MessageStore::~MessageStore() { sqlite3_close(db_); }

objc::Result<int64_t> MessageStore::chatFor(std::string_view identifier, bool group) {
  {
    Statement find(db_, "SELECT ROWID FROM chat WHERE chat_identifier = ?1 ORDER BY ROWID LIMIT 1");
    find.bind(1, identifier);
    auto row = find.step();
    if (!row) return row.error();
    if (*row) return find.int64(0);
  }
  std::string id(identifier);
  bool email = id.find('@') != std::string::npos;
  std::string service = group || email ? "iMessage" : "SMS";
  Statement insertChat(db_,
                       "INSERT INTO chat (guid, style, state, chat_identifier, service_name, group_id) "
                       "VALUES (?1, ?2, 3, ?3, ?4, ?5)");
  insertChat.bind(1, service + (group ? ";+;" : ";-;") + id);
  insertChat.bind(2, group ? kStyleGroup : kStyleSingle);
  insertChat.bind(3, id);
  insertChat.bind(4, service);
  insertChat.bind(5, newGUID());
  if (auto s = insertChat.run(); !s) return s.error();
  int64_t chatID = sqlite3_last_insert_rowid(db_);
  if (!group) {
    Statement insertHandle(db_, "INSERT OR IGNORE INTO handle (id, country, service, uncanonicalized_id) "
                                "VALUES (?1, 'us', ?2, ?1)");
    insertHandle.bind(1, id);
    insertHandle.bind(2, service);
    if (auto s = insertHandle.run(); !s) return s.error();
    Statement join(db_, "INSERT OR IGNORE INTO chat_handle_join (chat_id, handle_id) "
                        "SELECT ?1, ROWID FROM handle WHERE id = ?2 AND service = ?3");
    join.bind(1, chatID);
    join.bind(2, id);
    join.bind(3, service);
    if (auto s = join.run(); !s) return s.error();
  }
  return chatID;
}

objc::Status MessageStore::addMessage(std::string_view addressOrChatID, int64_t rowID, std::string_view text) {
  if (rowID <= 0) return objc::makeError("a message row ID must be positive");
  bool group = isGroupChatIdentifier(addressOrChatID) && addressOrChatID.find('@') == std::string_view::npos;
  std::string identifier = group ? std::string(addressOrChatID) : canonicalAddress(addressOrChatID);
  if (identifier.empty()) return objc::makeError("a message needs an address or a chat identifier");

  Transaction transaction(db_);
  if (auto s = transaction.begin(); !s) return s;
  {
    Statement taken(db_, "SELECT 1 FROM message WHERE ROWID = ?1");
    taken.bind(1, rowID);
    auto row = taken.step();
    if (!row) return row.error();
    if (*row) return objc::makeError("a message with row ID " + std::to_string(rowID) + " exists already");
  }
  auto chatID = chatFor(identifier, group);
  if (!chatID) return chatID.error();
  Statement insert(db_,
                   "INSERT INTO message (ROWID, guid, text, handle_id, service, date, date_read, is_delivered, "
                   "is_finished, is_from_me, is_read) VALUES (?1, ?2, ?3, "
                   "IFNULL((SELECT handle_id FROM chat_handle_join WHERE chat_id = ?4 ORDER BY handle_id LIMIT 1), 0), "
                   "(SELECT service_name FROM chat WHERE ROWID = ?4), ?5, 0, 1, 1, 0, 0)");
  insert.bind(1, rowID);
  insert.bind(2, newGUID());
  insert.bind(3, text);
  insert.bind(4, *chatID);
  insert.bind(5, nowSeconds());
  if (auto s = insert.run(); !s) return s;
  Statement join(db_, "INSERT INTO chat_message_join (chat_id, message_id) VALUES (?1, ?2)");
  join.bind(1, *chatID);
  join.bind(2, rowID);
  if (auto s = join.run(); !s) return s;
  return transaction.commit();
}

objc::Result<std::vector<ChatRecord>> MessageStore::chats() {
  std::vector<ChatRecord> result;
  Statement q(db_, "SELECT ROWID, guid, IFNULL(chat_identifier, ''), IFNULL(style, 0) FROM chat ORDER BY ROWID");
  for (;;) {
    auto row = q.step();
    if (!row) return row.error();
    if (!*row) break;
    result.push_back({q.int64(0), q.text(1), q.text(2), q.int64(3), {}});
  }
  Statement handles(db_, "SELECT h.id FROM chat_handle_join j JOIN handle h ON h.ROWID = j.handle_id "
                         "WHERE j.chat_id = ?1 ORDER BY h.ROWID");
  for (auto& chat : result) {
    handles.reset();
    handles.bind(1, chat.rowID);
    for (;;) {
      auto row = handles.step();
      if (!row) return row.error();
      if (!*row) break;
      chat.handles.push_back(handles.text(0));
    }
  }
  return result;
}

objc::Result<std::vector<MessageRecord>> MessageStore::messagesBefore(int64_t chatRowID,
                                                                      std::optional<int64_t> olderThanRowID,
                                                                      int limit) {
  std::string sql = kMessageColumns;
  if (olderThanRowID) {
    sql += "AND (IFNULL(m.date, 0), m.ROWID) < (SELECT IFNULL(date, 0), ROWID FROM message WHERE ROWID = ?2) ";
  }
  sql += "ORDER BY IFNULL(m.date, 0) DESC, m.ROWID DESC LIMIT ?3";
  Statement q(db_, sql.c_str());
  q.bind(1, chatRowID);
  if (olderThanRowID) q.bind(2, *olderThanRowID);
  q.bind(3, static_cast<int64_t>(limit));
  std::vector<MessageRecord> result;
  for (;;) {
    auto row = q.step();
    if (!row) return row.error();
    if (!*row) break;
    result.push_back(readMessage(q));
  }
  std::reverse(result.begin(), result.end());
  return result;
}

objc::Result<std::vector<MessageRecord>> MessageStore::messagesAfter(int64_t chatRowID, int64_t newerThanRowID) {
  std::string sql = kMessageColumns;
  sql += "AND (IFNULL(m.date, 0), m.ROWID) > (SELECT IFNULL(date, 0), ROWID FROM message WHERE ROWID = ?2) "
         "ORDER BY IFNULL(m.date, 0), m.ROWID";
  Statement q(db_, sql.c_str());
  q.bind(1, chatRowID);
  q.bind(2, newerThanRowID);
  std::vector<MessageRecord> result;
  for (;;) {
    auto row = q.step();
    if (!row) return row.error();
    if (!*row) break;
    result.push_back(readMessage(q));
  }
  return result;
}

objc::Status MessageStore::updateReadState(int64_t rowID, bool isRead, int64_t dateRead) {
  Statement q(db_, "UPDATE message SET is_read = ?2, date_read = ?3 WHERE ROWID = ?1");
  q.bind(1, rowID);
  q.bind(2, static_cast<int64_t>(isRead ? 1 : 0));
  q.bind(3, isRead ? dateRead : 0);
  if (auto s = q.run(); !s) return s;
  if (sqlite3_changes(db_) == 0) return objc::makeError("no message with row ID " + std::to_string(rowID));
  return objc::Ok{};
}

objc::Result<bool> MessageStore::isRead(int64_t rowID) {
  Statement q(db_, "SELECT is_read FROM message WHERE ROWID = ?1");
  q.bind(1, rowID);
  auto row = q.step();
  if (!row) return row.error();
  if (!*row) return objc::makeError("no message with row ID " + std::to_string(rowID));
  return q.int64(0) != 0;
}

objc::Status addMessage(std::string_view addressOrChatID, int64_t rowID, std::string_view text) {
  auto store = MessageStore::open();
  if (!store) return store.error();
  return (*store)->addMessage(addressOrChatID, rowID, text);
}

objc::Result<bool> isMessageRead(int64_t rowID) {
  auto store = MessageStore::open();
  if (!store) return store.error();
  return (*store)->isRead(rowID);
}

}  // namespace ck
