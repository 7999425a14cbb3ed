// Small RAII helpers over SQLite's C interface for the message store: a prepared
// statement whose failures come back as Result values, and a transaction that rolls
// back unless committed.
#pragma once

#include <objcface/Result.h>

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ck {

inline objc::Error sqliteError(sqlite3* db, const char* what) {
  return objc::makeError(std::string(what) + ": " + sqlite3_errmsg(db));
}

inline objc::Status exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "unknown error";
    sqlite3_free(message);
    return objc::makeError("message store: " + text);
  }
  return objc::Ok{};
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
      prepareError_ = sqlite3_errmsg(db);
      stmt_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(int index, int64_t value) {
    if (stmt_) sqlite3_bind_int64(stmt_, index, value);
  }
  void bind(int index, std::string_view value) {
    if (stmt_) sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
  void bind(int index, const std::string& value) { bind(index, std::string_view(value)); }
  void bind(int index, const char* value) { bind(index, std::string_view(value)); }

  // One step: true with a row to read, false when done.
  objc::Result<bool> step() {
    if (!stmt_) return objc::makeError("message store: " + prepareError_);
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    return sqliteError(db_, "message store");
  }
  // Runs a statement that answers no rows.
  objc::Status run() {
    auto r = step();
    if (!r) return r.error();
    return objc::Ok{};
  }
  void reset() {
    if (stmt_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }

  int64_t int64(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string text(int column) const {
    const unsigned char* t = sqlite3_column_text(stmt_, column);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string();
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string prepareError_;
};

// BEGIN IMMEDIATE … COMMIT, rolled back when the scope ends without commit().
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {}
  ~Transaction() {
    if (open_) exec(db_, "ROLLBACK").ok();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  objc::Status begin() {
    auto s = exec(db_, "BEGIN IMMEDIATE");
    open_ = s.ok();
    return s;
  }
  objc::Status commit() {
    open_ = false;
    return exec(db_, "COMMIT");
  }

 private:
  sqlite3* db_;
  bool open_ = false;
};

}  // namespace ck
