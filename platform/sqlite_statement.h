#pragma once
// Statements on one SQLite connection and the crossing of values between the engine and the
// program: a failing call becomes a StepError with the reason the program tells the user; a
// column reads as the old runtime hands a field over; a text written into a numeric column
// must spell a number.
#include "platform/recordset.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// The data engine's own error numbers beside the runtime's.
constexpr int errObjectNotSet = 91;
constexpr int errNoAddNew = 3020;
constexpr int errFieldNotUpdatable = 3164;
constexpr int errRecordDeleted = 3167;
constexpr int errItemNotFound = 3265;

// Throws the connection's last error as a StepError.
[[noreturn]] void fail(sqlite3* db);

// A name as an SQL identifier, in double quotes.
std::string quote_name(const std::string& name);

// Statements a connection runs again and again (the windows of a list, its count, the query a
// sort re-runs), kept prepared: preparing a select over the contact view costs more than
// reading a window of it. A statement in use is out of the cache, so the same text can run
// nested.
class StatementCache {
public:
    StatementCache() = default;
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    sqlite3_stmt* take(const std::string& sql);   // nullptr when none is kept
    void give_back(std::string sql, sqlite3_stmt* stmt);
    // Before the connection closes: a statement left unfinalized would keep it open.
    void clear();

private:
    static constexpr size_t kMaxKept = 48;
    std::unordered_map<std::string, sqlite3_stmt*> kept_;
};

// One prepared statement, taken from the cache (and given back to it) when there is one.
// Exactly one statement: text after it is refused, so that nothing pasted after it runs.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql, StatementCache* cache = nullptr);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool step();   // true on a row; throws StepError on a failure
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3* db_;
    StatementCache* cache_;
    std::string sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

FieldValue column_value(sqlite3_stmt* stmt, int column);
std::vector<FieldValue> row_values(sqlite3_stmt* stmt);

// What a column stores, from its declared type (SQLite's affinity rules).
enum class Affinity { Integer, Real, Text };
Affinity affinity_of(const char* declared);

// Null, a text as it is, or (into a numeric column) the number the text spells: "" binds Null,
// a text that is no number throws a type mismatch; whole-number columns take the nearest whole
// number, a half to even.
void bind_value(sqlite3_stmt* stmt, int index, const FieldValue& value, Affinity affinity);

// The values of a row's order terms, kept beyond the statement that read them.
using TermValue = std::unique_ptr<sqlite3_value, void (*)(sqlite3_value*)>;
using TermValues = std::vector<TermValue>;
TermValues term_values(sqlite3_stmt* stmt, int first_column, size_t terms);

} // namespace platform
