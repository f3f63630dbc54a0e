// A thin hold on an SQLite database for the relay's ledger: prepared
// statements with bound values, transactions that roll back unless
// committed, and every failure of the library as a LedgerFailure carrying
// SQLite's own words. Only the relay uses SQLite; the decoding, the
// library and the other commands never load it.
#ifndef XBTCONV_RELAY_SQLITE_DATABASE_H_
#define XBTCONV_RELAY_SQLITE_DATABASE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace xbtconv {

/// The ledger could not be read or written ("database or disk is full").
class LedgerFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Statement {
 public:
  Statement(sqlite3* database, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  /// Binds the `index`-th parameter (from 1); returns itself.
  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, std::string_view text);
  Statement& bind(int index, const std::string& text) {
    return bind(index, std::string_view(text));
  }
  Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
  Statement& bind(int index, const std::optional<std::string>& text);
  Statement& bind(int index, const std::optional<double>& value);
  Statement& bind(int index, const std::optional<std::int64_t>& value);
  Statement& bindBlob(int index, std::string_view bytes);
  /// Steps once: true while there is a row to read.
  bool step();
  /// Steps to the end (for statements that give no rows), then resets.
  void run();
  /// Makes the statement ready to run again; bound values are cleared.
  void reset();

  std::int64_t integer(int column) const;
  std::optional<std::int64_t> optionalInteger(int column) const;
  std::optional<double> optionalReal(int column) const;
  std::string text(int column) const;  // "" for NULL
  std::optional<std::string> optionalText(int column) const;
  std::string blob(int column) const;

 private:
  sqlite3* database_;
  sqlite3_stmt* statement_ = nullptr;
};

class Database {
 public:
  /// Opens (making where missing) the database file at `path`.
  explicit Database(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  /// Runs statements that give no rows.
  void execute(std::string_view sql);
  /// The statement `sql`, prepared once and kept: reset, its values
  /// cleared, ready to bind.
  Statement& statement(const std::string& sql);
  std::int64_t lastInsertId() const;
  /// Gives back the memory of cached pages no statement is using.
  void releaseMemory();
  sqlite3* handle() { return handle_; }

 private:
  sqlite3* handle_ = nullptr;
  std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements_;
};

/// BEGIN IMMEDIATE at construction; rolled back at destruction unless
/// committed.
class Transaction {
 public:
  explicit Transaction(Database& database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& database_;
  bool open_ = true;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_SQLITE_DATABASE_H_
