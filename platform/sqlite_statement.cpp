#include "platform/sqlite_statement.h"

#include "platform/failure.h"
#include "platform/runtime.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <new>

namespace platform {

namespace {

// The engine's result as one of the reasons the program tells the user.
int error_number(int result)
{
    switch (result & 0xff) {
    case SQLITE_READONLY: return errReadOnlyDatabase;
    case SQLITE_CANTOPEN: return errPathFileAccess;   // no journal beside the book: its folder
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return errLocked;
    case SQLITE_FULL: return errDiskFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_IOERR: return errDamaged;
    default: return errDatabase;
    }
}

// A text written into a numeric column must spell a number ("." as decimal point, blanks
// around it allowed); whole-number columns take the nearest whole number, a half to even.
void bind_number(sqlite3_stmt* stmt, int index, std::string_view text, Affinity affinity)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.empty()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    if (text.front() == '+')
        text.remove_prefix(1);
    double number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
        throw StepError(errTypeMismatch, "Type mismatch.");
    if (affinity == Affinity::Real) {
        sqlite3_bind_double(stmt, index, number);
        return;
    }
    const double whole = std::nearbyint(number);
    if (whole < -9.2e18 || whole > 9.2e18)
        throw StepError(errOverflow, "Overflow.");
    sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(whole));
}

} // namespace

[[noreturn]] void fail(sqlite3* db)
{
    throw StepError(error_number(sqlite3_extended_errcode(db)), sqlite3_errmsg(db));
}

std::string quote_name(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

sqlite3_stmt* StatementCache::take(const std::string& sql)
{
    const auto found = kept_.find(sql);
    if (found == kept_.end())
        return nullptr;
    sqlite3_stmt* stmt = found->second;
    kept_.erase(found);
    return stmt;
}

void StatementCache::give_back(std::string sql, sqlite3_stmt* stmt)
{
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (kept_.size() >= kMaxKept)
        clear();
    if (!kept_.emplace(std::move(sql), stmt).second)
        sqlite3_finalize(stmt);
}

void StatementCache::clear()
{
    for (auto& entry : kept_)
        sqlite3_finalize(entry.second);
    kept_.clear();
}

Statement::Statement(sqlite3* db, const std::string& sql, StatementCache* cache)
    : db_(db), cache_(cache)
{
    if (cache_ && (stmt_ = cache_->take(sql))) {
        sql_ = sql;
        return;
    }
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK)
        fail(db);
    while (tail && (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';'))
        ++tail;
    if (tail && *tail) {
        sqlite3_finalize(stmt_);
        throw StepError(errDatabase, "Characters found after end of SQL statement.");
    }
    if (cache_)
        sql_ = sql;
}

Statement::~Statement()
{
    if (cache_)
        cache_->give_back(std::move(sql_), stmt_);
    else
        sqlite3_finalize(stmt_);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail(db_);
    return false;
}

FieldValue column_value(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: return std::nullopt;
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return CStr(sqlite3_column_double(stmt, column));   // "." whatever the locale
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
    }
    }
}

std::vector<FieldValue> row_values(sqlite3_stmt* stmt)
{
    std::vector<FieldValue> row;
    const int n = sqlite3_column_count(stmt);
    row.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        row.push_back(column_value(stmt, i));
    return row;
}

Affinity affinity_of(const char* declared)
{
    const std::string type = lower_ascii(declared ? declared : "");
    if (type.find("int") != std::string::npos)
        return Affinity::Integer;
    if (type.empty() || type.find("char") != std::string::npos
        || type.find("clob") != std::string::npos || type.find("text") != std::string::npos
        || type.find("blob") != std::string::npos)
        return Affinity::Text;
    return Affinity::Real;
}

void bind_value(sqlite3_stmt* stmt, int index, const FieldValue& value, Affinity affinity)
{
    if (!value)
        sqlite3_bind_null(stmt, index);
    else if (affinity == Affinity::Text)
        sqlite3_bind_text(stmt, index, value->data(), static_cast<int>(value->size()),
                          SQLITE_TRANSIENT);
    else
        bind_number(stmt, index, *value, affinity);
}

TermValues term_values(sqlite3_stmt* stmt, int first_column, size_t terms)
{
    TermValues values;
    for (size_t i = 0; i < terms; ++i) {
        values.emplace_back(sqlite3_value_dup(sqlite3_column_value(stmt, first_column + static_cast<int>(i))),
                            sqlite3_value_free);
        if (!values.back())
            throw std::bad_alloc();
    }
    return values;
}

} // namespace platform
