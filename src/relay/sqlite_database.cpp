#include "relay/sqlite_database.h"

#include <sqlite3.h>

namespace xbtconv {
namespace {

[[noreturn]] void fail(sqlite3* database, std::string_view what) {
  throw LedgerFailure(std::string(what) + ": " + sqlite3_errmsg(database));
}

}  // namespace

Statement::Statement(sqlite3* database, std::string_view sql) : database_(database) {
  if (sqlite3_prepare_v2(database, sql.data(), static_cast<int>(sql.size()), &statement_,
                         nullptr) != SQLITE_OK) {
    fail(database, "ledger statement");
  }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) fail(database_, "ledger");
  return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
  if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    fail(database_, "ledger");
  }
  return *this;
}

Statement& Statement::bind(int index, const std::optional<std::string>& text) {
  if (text) return bind(index, std::string_view(*text));
  if (sqlite3_bind_null(statement_, index) != SQLITE_OK) fail(database_, "ledger");
  return *this;
}

Statement& Statement::bind(int index, const std::optional<double>& value) {
  const int status =
      value ? sqlite3_bind_double(statement_, index, *value) : sqlite3_bind_null(statement_, index);
  if (status != SQLITE_OK) fail(database_, "ledger");
  return *this;
}

Statement& Statement::bind(int index, const std::optional<std::int64_t>& value) {
  const int status =
      value ? sqlite3_bind_int64(statement_, index, *value) : sqlite3_bind_null(statement_, index);
  if (status != SQLITE_OK) fail(database_, "ledger");
  return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
  if (sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    fail(database_, "ledger");
  }
  return *this;
}

bool Statement::step() {
  const int status = sqlite3_step(statement_);
  if (status == SQLITE_ROW) return true;
  if (status == SQLITE_DONE) return false;
  fail(database_, "ledger");
}

void Statement::run() {
  while (step()) {
  }
  reset();
}

void Statement::reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::optional<std::int64_t> Statement::optionalInteger(int column) const {
  if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(statement_, column);
}

std::optional<double> Statement::optionalReal(int column) const {
  if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_double(statement_, column);
}

std::string Statement::text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  return text == nullptr
             ? std::string()
             : std::string(reinterpret_cast<const char*>(text),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

std::optional<std::string> Statement::optionalText(int column) const {
  if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
  return text(column);
}

std::string Statement::blob(int column) const {
  const void* bytes = sqlite3_column_blob(statement_, column);
  return bytes == nullptr
             ? std::string()
             : std::string(static_cast<const char*>(bytes),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

Database::Database(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &handle_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string reason = handle_ != nullptr ? sqlite3_errmsg(handle_) : "out of memory";
    sqlite3_close(handle_);
    throw LedgerFailure("cannot open the ledger " + path + ": " + reason);
  }
  // Another process (an operator's sqlite3, `xbt relay status`) may read
  // while the relay writes; wait for it rather than fail.
  sqlite3_busy_timeout(handle_, 10000);
}

Database::~Database() {
  statements_.clear();
  sqlite3_close(handle_);
}

Statement& Database::statement(const std::string& sql) {
  auto found = statements_.find(sql);
  if (found == statements_.end()) {
    found = statements_.emplace(sql, std::make_unique<Statement>(handle_, sql)).first;
  } else {
    found->second->reset();
  }
  return *found->second;
}

void Database::execute(std::string_view sql) {
  char* message = nullptr;
  if (sqlite3_exec(handle_, std::string(sql).c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string reason = message != nullptr ? message : sqlite3_errmsg(handle_);
    sqlite3_free(message);
    throw LedgerFailure("ledger: " + reason);
  }
}

void Database::releaseMemory() { sqlite3_db_release_memory(handle_); }

std::int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(handle_); }

Transaction::Transaction(Database& database) : database_(database) {
  database_.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (!open_) return;
  char* message = nullptr;
  sqlite3_exec(database_.handle(), "ROLLBACK", nullptr, nullptr, &message);
  sqlite3_free(message);
}

void Transaction::commit() {
  database_.execute("COMMIT");
  open_ = false;
}

}  // namespace xbtconv
