#include "platform/data_control.h"

#include "platform/failure.h"
#include "platform/jet_sql.h"
#include "platform/runtime.h"
#include "platform/text_order.h"

#include <QTimer>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace platform {

namespace {

// The data engine's own error numbers beside the runtime's.
constexpr int errObjectNotSet = 91;
constexpr int errNoAddNew = 3020;
constexpr int errFieldNotUpdatable = 3164;
constexpr int errRecordDeleted = 3167;
constexpr int errItemNotFound = 3265;

// Rows are fetched by position in windows of this many; the grid shows about eight at a time.
constexpr long kPageRows = 16;
constexpr size_t kMaxPages = 256;
// An order longer than this gets signposts while the program is idle, this many in all: a
// step walks a 256th of it (a millisecond or two for a million rows, so typing never waits
// long behind one), and a first jump anywhere walks at most half a step.
constexpr long kSignpostedFrom = 1024;
constexpr long kIdleSignposts = 256;

// Pages the connection may keep decrypted in memory (KiB, SQLite's negative form): the pages
// of the screens and walks of the moment fit; a larger cache only keeps a million contacts'
// book from fitting in a hundred megabytes.
constexpr const char* kCacheSize = "pragma cache_size = -16384";

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
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

// How long a statement waits for a lock that another program holds before it gives up.
int lock_wait_ms = 3000;

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

[[noreturn]] void fail(sqlite3* db)
{
    throw StepError(error_number(sqlite3_extended_errcode(db)), sqlite3_errmsg(db));
}

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

    sqlite3_stmt* take(const std::string& sql)
    {
        const auto found = kept_.find(sql);
        if (found == kept_.end())
            return nullptr;
        sqlite3_stmt* stmt = found->second;
        kept_.erase(found);
        return stmt;
    }
    void give_back(std::string sql, sqlite3_stmt* stmt)
    {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        if (kept_.size() >= kMaxKept)
            clear();
        if (!kept_.emplace(std::move(sql), stmt).second)
            sqlite3_finalize(stmt);
    }
    // Before the connection closes: a statement left unfinalized would keep it open.
    void clear()
    {
        for (auto& entry : kept_)
            sqlite3_finalize(entry.second);
        kept_.clear();
    }

private:
    static constexpr size_t kMaxKept = 48;
    std::unordered_map<std::string, sqlite3_stmt*> kept_;
};

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql, StatementCache* cache = nullptr)
        : db_(db), cache_(cache)
    {
        if (cache_ && (stmt_ = cache_->take(sql))) {
            sql_ = sql;
            return;
        }
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK)
            fail(db);
        // One statement only: text pasted after it never runs.
        while (tail && (std::isspace(static_cast<unsigned char>(*tail)) || *tail == ';'))
            ++tail;
        if (tail && *tail) {
            sqlite3_finalize(stmt_);
            throw StepError(errDatabase, "Characters found after end of SQL statement.");
        }
        if (cache_)
            sql_ = sql;
    }
    ~Statement()
    {
        if (cache_)
            cache_->give_back(std::move(sql_), stmt_);
        else
            sqlite3_finalize(stmt_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail(db_);
        return false;
    }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3* db_;
    StatementCache* cache_;
    std::string sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

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

// What a column stores, from its declared type (SQLite's affinity rules).
enum class Affinity { Integer, Real, Text };

Affinity affinity_of(const char* declared)
{
    const std::string type = lower(declared ? declared : "");
    if (type.find("int") != std::string::npos)
        return Affinity::Integer;
    if (type.empty() || type.find("char") != std::string::npos
        || type.find("clob") != std::string::npos || type.find("text") != std::string::npos
        || type.find("blob") != std::string::npos)
        return Affinity::Text;
    return Affinity::Real;
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

std::string_view arg_text(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return {text ? text : "", static_cast<size_t>(sqlite3_value_bytes(value))};
}

// jet_like(value, pattern): Jet's like for the patterns SQLite's own cannot say. The compiled
// pattern is kept with the statement while the pattern stays the same.
void jet_like_function(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        auto* pattern = static_cast<JetPattern*>(sqlite3_get_auxdata(context, 1));
        if (!pattern) {
            sqlite3_set_auxdata(context, 1, new JetPattern(arg_text(argv[1])),
                                [](void* p) { delete static_cast<JetPattern*>(p); });
            pattern = static_cast<JetPattern*>(sqlite3_get_auxdata(context, 1));
        }
        const bool match = pattern ? pattern->matches(arg_text(argv[0]))
                                   : jet_like(arg_text(argv[0]), arg_text(argv[1]));
        sqlite3_result_int(context, match ? 1 : 0);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

void text_key_function(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        const std::string key = text_key(arg_text(argv[0]));
        sqlite3_result_text(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

std::string native_path(std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// The password of a connect string such as ";PWD=secret".
std::string password(const std::string& connect)
{
    size_t start = 0;
    while (start <= connect.size()) {
        size_t end = connect.find(';', start);
        if (end == std::string::npos)
            end = connect.size();
        const std::string part = connect.substr(start, end - start);
        if (part.size() >= 4 && lower(part.substr(0, 4)) == "pwd=")
            return part.substr(4);
        start = end + 1;
    }
    return {};
}

// A file SQLCipher could not read: a book under another password, or no book at all.
[[noreturn]] void refuse(const std::string& path, const std::string& name)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    char header[16] = {};
    std::ifstream(path, std::ios::binary).read(header, sizeof header);
    const bool plain = std::string_view(header, sizeof header) == std::string_view("SQLite format 3", 16);
    if (!ec && !plain && size >= 1024 && size % 1024 == 0)
        throw StepError(errBadPassword, "Not a valid password.");
    throw StepError(errUnrecognizedFormat, "Unrecognized database format '" + name + "'.");
}

// The first column of the first row of a one-off query; rc is the engine's result.
long long single_number(sqlite3* db, const char* sql, int& rc)
{
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    long long number = 0;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            number = sqlite3_column_int64(stmt, 0);
        if (rc == SQLITE_ROW || rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return number;
}

// Reads what opening costs anyway: the first page, decrypted, with the list of objects, and
// the page count against the file's size, which a book cut short or padded no longer matches.
// Nothing else is read, so that a book of any size opens at once; damage deeper in the file
// shows when a query meets it.
void check_header(sqlite3* db, const std::string& path, const std::string& name)
{
    int rc = SQLITE_OK;
    const long long objects = single_number(db, "select count(*) from sqlite_master", rc);
    const std::string damaged = "Cannot open database '" + name
        + "'. It may not be a database that your application recognizes, or the file may be corrupt.";
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        throw StepError(errFileInUse, "Could not use '" + name + "'; file already in use.");
    if ((rc & 0xff) == SQLITE_CORRUPT)
        throw StepError(errDamaged, damaged);
    if (rc != SQLITE_OK)
        refuse(path, name);
    if (objects == 0)   // an empty file, or a database of nothing
        throw StepError(errUnrecognizedFormat, "Unrecognized database format '" + name + "'.");
    const long long page_size = single_number(db, "pragma page_size", rc);
    const long long pages = rc == SQLITE_OK ? single_number(db, "pragma page_count", rc) : 0;
    std::error_code ec;
    const auto size = static_cast<long long>(std::filesystem::file_size(path, ec));
    if (rc != SQLITE_OK || ec || page_size <= 0 || size % page_size != 0 || size / page_size != pages)
        throw StepError(errDamaged, damaged);
}

} // namespace

void set_lock_wait(int milliseconds)
{
    lock_wait_ms = milliseconds;
}

// One open file under one key, shared by every control that names it.
// The values of a row's order terms, kept beyond the statement that read them.
using TermValue = std::unique_ptr<sqlite3_value, void (*)(sqlite3_value*)>;
using TermValues = std::vector<TermValue>;

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

// Where the windows of an order begin: the order values of each window's first row, so that a
// window is read from there through the order's index instead of being counted from an end of
// a long list. Found while windows are read and while the order is walked to a far window;
// good for one query and order until a write changes the rows.
struct Signposts {
    std::string query;
    unsigned long long writes = 0;
    long long data_version = -1;
    std::map<long, TermValues> at;   // window -> its first row's order values
};

class Connection {
public:
    Connection(std::string path, std::string key) : path(std::move(path)), key(std::move(key)) {}
    ~Connection()
    {
        statements.clear();
        sqlite3_close_v2(db);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    static std::shared_ptr<Connection> open(const std::string& database_name,
                                            const std::string& connect);
    Affinity affinity(const std::string& table, const std::string& column);
    // The rows of a whole table, counted once and then kept up to date by this connection's
    // own writes; counted again after another connection changed the file.
    long table_rows(const std::string& table, const std::string& kept_count, long long version);
    void rows_changed(const std::string& table, long delta);
    void forget_counts() { rows_.clear(); }
    // Before each write. A book deleted or replaced under the running program would take the
    // write into a file nobody sees again: refused. A book opened while it was read-only stays
    // so for the engine: once the file can be written again, it is opened anew, so that an
    // edit kept on the row gets in.
    void before_write();
    // Changes by other connections since the open: SQLite's data version.
    long long data_version();
    // The signposts found so far for a query and order; a list sorted again finds the ones
    // found before, as long as nothing was written since.
    std::shared_ptr<Signposts> signposts(const std::string& query, long long version);

private:
    void connect(const std::string& database_name);

public:

    const std::string path;
    const std::string key;
    sqlite3* db = nullptr;
    StatementCache statements;
    unsigned long long writes = 0;  // counts writes, so that fetched pages know they are stale
    ino_t inode = 0;                // the file opened
    dev_t device = 0;

private:
    std::map<std::string, long> rows_;
    long long data_version_ = -1;
    std::vector<std::shared_ptr<Signposts>> signposts_;   // the latest first
};

std::shared_ptr<Connection> Connection::open(const std::string& database_name,
                                             const std::string& connect)
{
    namespace fs = std::filesystem;
    const std::string native = native_path(database_name);
    std::error_code ec;
    if (native.empty() || !fs::is_regular_file(native, ec))
        throw StepError(errFileNotFound, "Could not find file '" + database_name + "'.");
    const std::string path = fs::canonical(native, ec).string();
    const std::string key = password(connect);

    static std::map<std::pair<std::string, std::string>, std::weak_ptr<Connection>> registry;
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    if (auto shared = registry[{path, key}].lock())
        return shared;

    auto connection = std::make_shared<Connection>(path, key);
    connection->connect(database_name);
    registry[{path, key}] = connection;
    return connection;
}

long long Connection::data_version()
{
    Statement version(db, "pragma data_version", &statements);
    return version.step() ? sqlite3_column_int64(version.get(), 0) : -1;
}

std::shared_ptr<Signposts> Connection::signposts(const std::string& query, long long version)
{
    // Two orders kept: going back and forth between two sorts is the common case, and a
    // million contacts' signposts take a few megabytes an order.
    constexpr size_t kKept = 2;
    std::erase_if(signposts_, [&](const auto& kept) {
        return kept->writes != writes || kept->data_version != version;
    });
    auto found = std::find_if(signposts_.begin(), signposts_.end(),
                              [&](const auto& kept) { return kept->query == query; });
    std::shared_ptr<Signposts> posts;
    if (found != signposts_.end()) {
        posts = *found;
        signposts_.erase(found);
    } else {
        posts = std::make_shared<Signposts>();
        posts->query = query;
        posts->writes = writes;
        posts->data_version = version;
    }
    signposts_.insert(signposts_.begin(), posts);
    if (signposts_.size() > kKept)
        signposts_.pop_back();
    return posts;
}

long Connection::table_rows(const std::string& table, const std::string& kept_count,
                            long long version)
{
    if (version != data_version_)
        rows_.clear();
    data_version_ = version;
    const auto found = rows_.find(table);
    if (found != rows_.end())
        return found->second;
    Statement count(db, kept_count.empty() ? "select count(*) from " + quote_name(table) : kept_count,
                    &statements);
    const long rows = count.step() ? static_cast<long>(sqlite3_column_int64(count.get(), 0)) : 0;
    rows_[table] = rows;
    return rows;
}

void Connection::rows_changed(const std::string& table, long delta)
{
    ++writes;
    if (const auto found = rows_.find(table); found != rows_.end())
        found->second += delta;
}

void Connection::connect(const std::string& database_name)
{
    // Read-write but never create: a missing book is an error, not a new empty file. Only the
    // thread of the windows uses a connection, so it takes no lock on each call.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        throw StepError(errPathFileAccess, "Path/File access error: '" + database_name + "'.");
    if (!key.empty())
        sqlite3_key(db, key.data(), static_cast<int>(key.size()));
    sqlite3_busy_timeout(db, lock_wait_ms);
    check_header(db, path, database_name);
    struct stat opened = {};
    ::stat(path.c_str(), &opened);
    inode = opened.st_ino;
    device = opened.st_dev;
    sqlite3_exec(db, kCacheSize, nullptr, nullptr, nullptr);
    if (sqlite3_create_function_v2(db, "jet_like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   jet_like_function, nullptr, nullptr, nullptr)
            != SQLITE_OK
        || sqlite3_create_function_v2(db, "text_key", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      text_key_function, nullptr, nullptr, nullptr)
            != SQLITE_OK)
        fail(db);
}

void Connection::before_write()
{
    struct stat now = {};
    if (::stat(path.c_str(), &now) != 0 || now.st_ino != inode || now.st_dev != device)
        throw StepError(errFileNotFound, "The file '" + path + "' was removed or replaced.");
    if (sqlite3_db_readonly(db, "main") != 1 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return;
    statements.clear();
    sqlite3_close_v2(db);
    db = nullptr;
    connect(path);
    ++writes;
}

Affinity Connection::affinity(const std::string& table, const std::string& column)
{
    const char* declared = nullptr;
    if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), &declared,
                                      nullptr, nullptr, nullptr, nullptr)
        != SQLITE_OK)
        fail(db);
    return affinity_of(declared);
}

struct RecordsetState : std::enable_shared_from_this<RecordsetState> {
    std::shared_ptr<Connection> connection;
    DataControl* owner = nullptr;  // whose events to raise; none once replaced
    std::string source;            // the record source in SQLite's words
    std::string key_field;         // the column that identifies a row
    std::string kept_count;        // a select of the rows of the whole table, or ""
    TextKeys text_keys;
    std::vector<std::string> columns;
    std::vector<std::string> origins;  // the table column each column writes; "" for none
    std::string table;                 // where rows are written; "" for a read-only source
    std::string key_column;            // the table's id column
    int id_column = -1;

    // A keyed source is read a window of rows at a time in its own order, from whichever end
    // is nearer, and only its count is known beforehand; any other source is read whole.
    // Rows written since the Refresh keep their places (an edited row does not jump to where
    // its new values would sort it, an added row stays at the end): they are pinned there and
    // left out of the windows.
    bool keyed = false;
    std::vector<std::vector<FieldValue>> rows;
    std::string unordered;                      // the source without its order
    std::vector<OrderTerm> order;               // its order, the key as the last term
    long count = 0;                             // the rows of a keyed source
    std::map<long, long long> pinned;           // position -> id
    std::unordered_map<long, std::vector<std::vector<FieldValue>>> pages;
    std::unordered_map<long long, std::vector<FieldValue>> pinned_rows;
    unsigned long long pages_written = 0;
    std::shared_ptr<Signposts> posts;
    long long data_version = -1;   // the file's, when the rows were counted
    // While the program waits for the user, a long order gets signposts at even steps, so that
    // even the first jump into it is a short walk.
    bool signposting = false;
    std::shared_ptr<Signposts> signposted;   // what the steps so far went into
    long signposted_to = 0;
    void keep_signposting();
    bool signpost_step();

    long current = -1;
    bool no_match = false;
    std::optional<FieldValues> added;  // AddNew's row until Update

    long size() const { return keyed ? count : static_cast<long>(rows.size()); }
    const std::vector<FieldValue>& row(long position);
    long long id_at(long position);
    std::vector<std::vector<FieldValue>> fetch_page(long page);
    Signposts& signposts();
    // A stretch of the order after a signpost: a condition and the terms it binds.
    struct Range {
        std::string where;
        std::vector<int> bound;
        size_t free_from = 0;   // the terms before it are fixed by the condition
    };
    std::vector<Range> ranges(const TermValues* from, bool reversed, bool inclusive) const;
    void scan(const std::string& selected, const TermValues* from, bool reversed, bool inclusive,
              long limit, const std::function<bool(sqlite3_stmt*)>& take);
    std::optional<TermValues> skip_from(const TermValues* from, bool reversed, bool inclusive, long skip);
    void walk_to(long page);
    std::vector<FieldValue> fetch_pinned(long long id) const;
    std::string excluding_pinned() const;
    std::string order_clause(bool reversed, size_t from_term = 0) const;
    std::string term_list() const;   // the order's terms as select columns
    long query_position(long position) const;
    long display_position(long query_position) const;
    std::optional<std::pair<long, long long>> first_match(const std::string& condition);
    void pin(long position, long long id);
    void unpin(long position);
    void forget_pages();
    void load();
    void reposition() const
    {
        if (owner && owner->Reposition)
            owner->Reposition();
    }
    void report(const StepError& error) const
    {
        if (owner && owner->Error) {
            int response = 1;
            owner->Error(error.number(), response);
        }
    }
};

namespace {

// What a Refresh reads is read under one lock of the file: the count and the first window
// agree, and the file is locked once rather than once a statement.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection& connection)
        : connection_(connection), began_(sqlite3_get_autocommit(connection.db) != 0)
    {
        if (began_)
            Statement(connection_.db, "begin", &connection_.statements).step();
    }
    ~ReadTransaction()
    {
        if (!began_)
            return;
        try {
            Statement(connection_.db, "commit", &connection_.statements).step();
        } catch (const StepError&) {
            sqlite3_exec(connection_.db, "rollback", nullptr, nullptr, nullptr);
        }
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Connection& connection_;
    bool began_;
};

} // namespace

void RecordsetState::load()
{
    sqlite3* db = connection->db;
    const ReadTransaction reading(*connection);
    data_version = connection->data_version();
    Statement query(db, source, &connection->statements);
    sqlite3_stmt* stmt = query.get();
    if (!sqlite3_stmt_readonly(stmt) || sqlite3_column_count(stmt) == 0)
        throw StepError(errDatabase, "Invalid SQL statement; expected a select.");
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
        columns.push_back(lower(sqlite3_column_name(stmt, i)));
        if (!key_field.empty() && columns.back() == key_field && id_column < 0)
            id_column = i;
    }
    // Keyed when the id is the INTEGER PRIMARY KEY of a table and the rows come from that
    // table alone: then every row can be found again by its id.
    if (id_column >= 0 && is_single_table_select(source)) {
        const char* table_name = sqlite3_column_table_name(stmt, id_column);
        const char* origin = sqlite3_column_origin_name(stmt, id_column);
        const char* declared = nullptr;
        int primary = 0;
        if (table_name && origin
            && sqlite3_table_column_metadata(db, nullptr, table_name, origin, &declared, nullptr,
                                             nullptr, &primary, nullptr)
                   == SQLITE_OK
            && primary && lower(declared ? declared : "") == "integer") {
            keyed = true;
            table = table_name;
            key_column = origin;
            for (int i = 0; i < n; ++i) {
                const char* t = sqlite3_column_table_name(stmt, i);
                const char* o = sqlite3_column_origin_name(stmt, i);
                origins.push_back(t && o && table == t && i != id_column ? o : "");
            }
        }
    }
    if (keyed) {
        unordered = without_order_by(source);
        order = order_by_terms(source);
        // Ties of the order are broken by the key, so that both ends read the same order.
        order.push_back({quote_name(columns[static_cast<size_t>(id_column)]), false});
        if (has_where(unordered)) {
            Statement rows_of(db, "select count(*) from (" + unordered + ")", &connection->statements);
            count = rows_of.step() ? static_cast<long>(sqlite3_column_int64(rows_of.get(), 0)) : 0;
        } else {
            count = connection->table_rows(table, kept_count, data_version);
        }
        pages_written = connection->writes;
        // The first screen's rows, read now: a book that cannot give them fails its Refresh.
        if (count > 0)
            pages.emplace(0, fetch_page(0));
        keep_signposting();
    } else {
        while (query.step())
            rows.push_back(row_values(stmt));
    }
    current = size() > 0 ? 0 : -1;
}

std::string RecordsetState::term_list() const
{
    std::string terms;
    for (const OrderTerm& term : order)
        terms += (terms.empty() ? "(" : ", (") + term.expression + ")";
    return terms;
}

// The order from one of its terms on: the terms before it are fixed by an equality, and an
// order by a fixed expression can keep SQLite from seeing that an index gives the order.
std::string RecordsetState::order_clause(bool reversed, size_t from_term) const
{
    std::string clause;
    for (size_t i = from_term; i < order.size(); ++i)
        clause += (clause.empty() ? " order by " : ", ") + order[i].expression
            + (order[i].descending != reversed ? " desc" : "");
    return clause;
}

std::string RecordsetState::excluding_pinned() const
{
    const std::string id = quote_name(columns[static_cast<size_t>(id_column)]);
    std::string sql = "select * from (" + unordered + ")";
    if (pinned.empty())
        return sql;
    std::string list;
    for (const auto& entry : pinned)
        (list += list.empty() ? "" : ",") += std::to_string(entry.second);
    return sql + " where " + id + " not in (" + list + ")";
}

// Positions count the pinned rows; the windows' query does not hold them.
long RecordsetState::query_position(long position) const
{
    long before = 0;
    for (auto it = pinned.begin(); it != pinned.end() && it->first < position; ++it)
        ++before;
    return position - before;
}

long RecordsetState::display_position(long query_position) const
{
    long position = query_position;
    for (const auto& entry : pinned)
        if (entry.first <= position)
            ++position;
    return position;
}

Signposts& RecordsetState::signposts()
{
    const std::string query = excluding_pinned() + order_clause(false);
    if (!posts || posts->query != query || posts->writes != connection->writes)
        posts = connection->signposts(query, data_version);
    return *posts;
}

namespace {

// A term's rows that come after a value in the term's own direction, Null sorting first as
// SQLite sorts it (last in a descending order): none, one or two ranges of its index.
std::vector<std::string> after(const std::string& term, bool descending, bool null,
                               const std::string& value)
{
    if (!descending)
        return {null ? term + " is not null" : term + " > " + value};
    if (null)
        return {};
    return {term + " < " + value, term + " is null"};
}

// The signpost's values a range's condition names.
void bind_terms(sqlite3_stmt* stmt, const std::vector<int>& bound, const TermValues* from)
{
    for (int term : bound)
        sqlite3_bind_value(stmt, term + 1, (*from)[static_cast<size_t>(term)].get());
}

} // namespace

// The rows of the order from a signpost on (the signpost's row itself when inclusive), or from
// the start; reversed, the rows before it going back. They are a few index ranges in order:
// the rows equal to the signpost in the first terms and after it in the next, then the rows
// after it in the term before, and so on; no row before it is ever stepped over.
std::vector<RecordsetState::Range> RecordsetState::ranges(const TermValues* from, bool reversed,
                                                          bool inclusive) const
{
    if (!from)
        return {{"", {}, 0}};
    std::vector<Range> found;
    const int last = static_cast<int>(order.size()) - 1;
    for (int k = last; k >= 0; --k) {
        std::string equal;
        std::vector<int> bound;
        for (int j = 0; j < k; ++j) {
            const std::string t = "(" + order[static_cast<size_t>(j)].expression + ")";
            const bool null = sqlite3_value_type((*from)[static_cast<size_t>(j)].get()) == SQLITE_NULL;
            equal += (null ? t + " is null" : t + " = ?" + std::to_string(j + 1)) + " and ";
            if (!null)
                bound.push_back(j);
        }
        const OrderTerm& term = order[static_cast<size_t>(k)];
        const std::string t = "(" + term.expression + ")";
        const std::string v = "?" + std::to_string(k + 1);
        const bool descending = term.descending != reversed;
        const bool null = sqlite3_value_type((*from)[static_cast<size_t>(k)].get()) == SQLITE_NULL;
        // The last term is the row's id, never Null: the signpost's own row is there.
        const std::vector<std::string> conditions =
            k == last ? std::vector<std::string>{t + (descending ? " <" : " >") + (inclusive ? "= " : " ") + v}
                      : after(t, descending, null, v);
        for (const std::string& condition : conditions) {
            std::vector<int> used = bound;
            if (condition.find('?') != std::string::npos)
                used.push_back(k);
            found.push_back({" where " + equal + condition, std::move(used), static_cast<size_t>(k)});
        }
    }
    return found;
}

// Hands each row of the order from a signpost on (see ranges) to `take` until it says no more
// or `limit` rows came.
void RecordsetState::scan(const std::string& selected, const TermValues* from, bool reversed,
                          bool inclusive, long limit, const std::function<bool(sqlite3_stmt*)>& take)
{
    const int limit_at = static_cast<int>(order.size()) + 1;
    for (const Range& range : ranges(from, reversed, inclusive)) {
        Statement query(connection->db, "select " + selected + " from (" + excluding_pinned() + ")"
                                            + range.where + order_clause(reversed, range.free_from) + " limit ?"
                                            + std::to_string(limit_at),
                        &connection->statements);
        bind_terms(query.get(), range.bound, from);
        sqlite3_bind_int64(query.get(), limit_at, limit);
        while (limit > 0 && query.step()) {
            --limit;
            if (!take(query.get()))
                return;
        }
        if (limit <= 0)
            return;
    }
}

// The order values of the row `skip` rows on from a signpost (see ranges). The rows skipped
// are stepped over in the order's index without reading them, as an offset does.
std::optional<TermValues> RecordsetState::skip_from(const TermValues* from, bool reversed,
                                                    bool inclusive, long skip)
{
    const std::string terms = term_list();
    const std::string rest = " from (" + excluding_pinned() + ")";
    const int offset_at = static_cast<int>(order.size()) + 1;
    const std::vector<Range> all = ranges(from, reversed, inclusive);
    for (size_t i = 0; i < all.size(); ++i) {
        if (i + 1 < all.size()) {
            // Counted no further than the row looked for: a range can hold most of the book.
            Statement rows(connection->db, "select count(*) from (select 1" + rest + all[i].where
                                               + " limit ?" + std::to_string(offset_at) + ")",
                           &connection->statements);
            bind_terms(rows.get(), all[i].bound, from);
            sqlite3_bind_int64(rows.get(), offset_at, skip + 1);
            const long in_range = rows.step() ? static_cast<long>(sqlite3_column_int64(rows.get(), 0)) : 0;
            if (skip >= in_range) {
                skip -= in_range;
                continue;
            }
        }
        Statement row(connection->db, "select " + terms + rest + all[i].where
                                          + order_clause(reversed, all[i].free_from)
                                          + " limit 1 offset ?" + std::to_string(offset_at),
                      &connection->statements);
        bind_terms(row.get(), all[i].bound, from);
        sqlite3_bind_int64(row.get(), offset_at, skip);
        if (row.step())
            return term_values(row.get(), 0, order.size());
        return std::nullopt;
    }
    return std::nullopt;
}

// Finds the signpost of a window from the nearest known point before or after it (a
// signpost, the start, the end): a later jump near it reads only its own window.
void RecordsetState::walk_to(long page)
{
    Signposts& posts_now = signposts();
    const long rows_in_query = count - static_cast<long>(pinned.size());
    const long target = page * kPageRows;
    const auto above = posts_now.at.upper_bound(page);
    const auto below = above == posts_now.at.begin() ? posts_now.at.end() : std::prev(above);
    const long from_below = target - (below == posts_now.at.end() ? 0 : below->first * kPageRows);
    const long top = above == posts_now.at.end() ? rows_in_query : above->first * kPageRows;
    std::optional<TermValues> found =
        from_below <= top - target
            ? skip_from(below == posts_now.at.end() ? nullptr : &below->second, false, true, from_below)
            : skip_from(above == posts_now.at.end() ? nullptr : &above->second, true, false, top - 1 - target);
    if (found)
        posts_now.at.emplace(page, std::move(*found));
}

void RecordsetState::keep_signposting()
{
    if (!keyed || signposting || count < kSignpostedFrom)
        return;
    signposting = true;
    QTimer::singleShot(0, [weak = weak_from_this()] {
        const auto state = weak.lock();
        if (!state)
            return;
        bool more = false;
        try {
            // Rows replaced by a Refresh are not worth it.
            more = state->owner && state->signpost_step();
        } catch (const StepError&) {
            // A read that failed now fails again, and is reported, when the user gets there.
        }
        state->signposting = false;
        if (more)
            state->keep_signposting();
    });
}

// One step of the idle walk; false when the order is signposted to its end.
bool RecordsetState::signpost_step()
{
    signposts();
    if (signposted != posts) {   // a write since the last step: the walk starts again
        signposted = posts;
        signposted_to = 0;
    }
    const long rows_in_query = count - static_cast<long>(pinned.size());
    const long stride = std::max(kPageRows, rows_in_query / kIdleSignposts / kPageRows * kPageRows);
    signposted_to += stride;
    if (signposted_to >= rows_in_query)
        return false;
    if (!posts->at.count(signposted_to / kPageRows))
        walk_to(signposted_to / kPageRows);
    return true;
}

// One window of the query's rows, read from its signpost (the first window from the start);
// the row after it gives the next window's signpost, so a list scrolled down reads each window
// from the one before.
std::vector<std::vector<FieldValue>> RecordsetState::fetch_page(long page)
{
    const long rows_in_query = count - static_cast<long>(pinned.size());
    const long first = page * kPageRows;
    const long wanted = std::max(0L, std::min(first + kPageRows, rows_in_query) - first);
    std::vector<std::vector<FieldValue>> page_rows;
    Signposts& posts_now = signposts();
    if (page > 0 && !posts_now.at.count(page))
        walk_to(page);
    const auto from = posts_now.at.find(page);
    if (page == 0 || from != posts_now.at.end()) {
        const size_t n = order.size();
        const int terms_at = static_cast<int>(columns.size());
        scan("*, " + term_list(), page == 0 ? nullptr : &from->second, false, true, wanted + 1, [&](sqlite3_stmt* stmt) {
            if (static_cast<long>(page_rows.size()) == wanted) {
                posts_now.at.try_emplace(page + 1, term_values(stmt, terms_at, n));
                return false;
            }
            std::vector<FieldValue> row;
            row.reserve(columns.size());
            for (int i = 0; i < terms_at; ++i)
                row.push_back(column_value(stmt, i));
            page_rows.push_back(std::move(row));
            return true;
        });
    }
    // Rows another connection deleted meanwhile read as all Null.
    page_rows.resize(static_cast<size_t>(wanted), std::vector<FieldValue>(columns.size()));
    return page_rows;
}

std::vector<FieldValue> RecordsetState::fetch_pinned(long long id) const
{
    Statement query(connection->db, "select * from (" + unordered + ") where "
                                        + quote_name(columns[static_cast<size_t>(id_column)])
                                        + " = ?");
    sqlite3_bind_int64(query.get(), 1, id);
    if (query.step())
        return row_values(query.get());
    return std::vector<FieldValue>(columns.size());
}

void RecordsetState::forget_pages()
{
    pages.clear();
    pinned_rows.clear();
    posts.reset();
    keep_signposting();
    pages_written = connection->writes;
}

const std::vector<FieldValue>& RecordsetState::row(long position)
{
    if (!keyed)
        return rows[static_cast<size_t>(position)];
    if (pages_written != connection->writes)
        forget_pages();
    if (const auto found = pinned.find(position); found != pinned.end()) {
        auto cached = pinned_rows.find(found->second);
        if (cached == pinned_rows.end())
            cached = pinned_rows.emplace(found->second, fetch_pinned(found->second)).first;
        return cached->second;
    }
    const long at = query_position(position);
    const long page = at / kPageRows;
    auto found = pages.find(page);
    if (found == pages.end()) {
        if (pages.size() >= kMaxPages)
            pages.clear();
        found = pages.emplace(page, fetch_page(page)).first;
    }
    return found->second[static_cast<size_t>(at - page * kPageRows)];
}

long long RecordsetState::id_at(long position)
{
    if (const auto found = pinned.find(position); found != pinned.end())
        return found->second;
    const FieldValue& id = row(position)[static_cast<size_t>(id_column)];
    return id ? std::stoll(*id) : 0;
}

// A written row keeps its place until the next Refresh.
void RecordsetState::pin(long position, long long id)
{
    pinned[position] = id;
}

void RecordsetState::unpin(long position)
{
    pinned.erase(position);
    std::map<long, long long> moved;
    for (const auto& [at, id] : pinned)
        moved.emplace(at > position ? at - 1 : at, id);
    pinned = std::move(moved);
}

namespace {

// The condition "this row comes before the row whose order values are bound" for the order's
// terms, Null sorting first as SQLite sorts it; the values are bound from parameter 1 on.
std::string before_condition(const std::vector<OrderTerm>& order,
                             const std::vector<sqlite3_value*>& values)
{
    std::string any, equal;
    for (size_t i = 0; i < order.size(); ++i) {
        const std::string t = "(" + order[i].expression + ")";
        std::string v = "?";
        v += std::to_string(i + 1);
        const bool null = sqlite3_value_type(values[i]) == SQLITE_NULL;
        std::string before;
        if (order[i].descending)
            before = null ? t + " is not null" : t + " > " + v;
        else
            before = null ? "0" : "(" + t + " is null or " + t + " < " + v + ")";
        any += (any.empty() ? "(" : " or (") + equal + (equal.empty() ? "" : " and ") + before + ")";
        equal += (equal.empty() ? "" : " and ") + (null ? t + " is null" : t + " = " + v);
    }
    return any;
}

} // namespace

// The first row in the current order that meets the condition: its position and id. The match
// comes from the database's own search (an index on the searched field serves it), and its
// position from a count of the rows before it in the order.
std::optional<std::pair<long, long long>> RecordsetState::first_match(const std::string& condition)
{
    sqlite3* db = connection->db;
    const std::string id = quote_name(columns[static_cast<size_t>(id_column)]);
    std::optional<std::pair<long, long long>> best;
    if (!pinned.empty()) {
        std::string list;
        for (const auto& entry : pinned)
            (list += list.empty() ? "" : ",") += std::to_string(entry.second);
        Statement query(db, "select " + id + " from (" + unordered + ") where " + id + " in ("
                                + list + ") and (" + condition + ")");
        std::vector<long long> hits;
        while (query.step())
            hits.push_back(sqlite3_column_int64(query.get(), 0));
        for (const auto& [at, pinned_id] : pinned)
            if (!best && std::find(hits.begin(), hits.end(), pinned_id) != hits.end())
                best = std::make_pair(at, pinned_id);
    }
    const std::string rest = excluding_pinned();
    Statement first(db, "select " + id + ", " + term_list() + " from (" + rest + ") where (" + condition + ")"
                            + order_clause(false) + " limit 1");
    if (!first.step())
        return best;
    const TermValues kept = term_values(first.get(), 1, order.size());
    std::vector<sqlite3_value*> values;
    for (const TermValue& value : kept)
        values.push_back(value.get());
    Statement before(db, "select count(*) from (" + rest + ") where "
                             + before_condition(order, values));
    for (size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_value(before.get(), static_cast<int>(i + 1), values[i]);
    const long at = before.step() ? display_position(static_cast<long>(sqlite3_column_int64(before.get(), 0))) : 0;
    if (!best || at < best->first)
        best = std::make_pair(at, sqlite3_column_int64(first.get(), 0));
    return best;
}

// --- Recordset ---------------------------------------------------------------------------

Recordset::Recordset(std::shared_ptr<RecordsetState> state) : state_(std::move(state)) {}

long Recordset::AbsolutePosition() const
{
    return state_->current;
}

void Recordset::FindFirst(const std::string& criterion)
{
    RecordsetState& s = *state_;
    if (!s.connection)
        throw StepError(errObjectNotSet, "Object variable or With block variable not set.");
    // A criterion that fails leaves no match behind, never the answer of an earlier find.
    s.no_match = true;
    // Searched through the keys the source's rows carry.
    TextKeys keys;
    for (const auto& [column, key_column] : s.text_keys)
        if (column_index(key_column) >= 0)
            keys.emplace(column, key_column);
    const std::string condition = jet_to_sqlite(with_text_keys(criterion, keys));
    long found = -1;
    if (s.keyed) {
        if (s.pages_written != s.connection->writes)
            s.forget_pages();
        if (const auto match = s.first_match(condition))
            found = std::min(match->first, s.size() - 1);
    } else {
        Statement query(s.connection->db,
                        "select (" + condition + ") from (" + s.source + ")");
        for (long i = 0; found < 0 && i < s.size() && query.step(); ++i)
            if (sqlite3_column_int64(query.get(), 0) != 0)
                found = i;
    }
    if (found < 0)
        return;
    s.no_match = false;
    s.current = found;
    s.reposition();
}

bool Recordset::NoMatch() const
{
    return state_->no_match;
}

void Recordset::MoveLast()
{
    if (size() == 0)
        throw StepError(errNoCurrentRecord, "No current record.");
    state_->current = size() - 1;
    state_->reposition();
}

void Recordset::MoveFirst()
{
    if (size() == 0)
        throw StepError(errNoCurrentRecord, "No current record.");
    state_->current = 0;
    state_->reposition();
}

long Recordset::RecordCount() const
{
    return size();
}

void Recordset::AddNew()
{
    if (state_->table.empty())
        throw StepError(errReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    state_->added = FieldValues{};
}

void Recordset::SetField(const std::string& name, const FieldValue& value)
{
    if (column_index(name) < 0)
        throw StepError(errItemNotFound, "Item not found in this collection.");
    if (!state_->added)
        throw StepError(errNoAddNew, "Update or CancelUpdate without AddNew or Edit.");
    (*state_->added)[lower(name)] = value;
}

FieldValue Recordset::Fields(const std::string& name) const
{
    const int column = column_index(name);
    if (column < 0)
        throw StepError(errItemNotFound, "Item not found in this collection.");
    if (state_->current < 0)
        throw StepError(errNoCurrentRecord, "No current record.");
    FieldValue field = value(state_->current, column);
    if (field && field->empty())
        return std::nullopt;
    return field;
}

void Recordset::Update()
{
    if (!state_->added)
        throw StepError(errNoAddNew, "Update or CancelUpdate without AddNew or Edit.");
    const FieldValues values = std::move(*state_->added);
    state_->added.reset();
    insert_row(values);
    if (state_->owner && state_->owner->Reloaded)
        state_->owner->Reloaded();
}

long Recordset::size() const
{
    return state_->size();
}

void Recordset::Move(long position)
{
    if (position < -1 || position >= size())
        throw StepError(errNoCurrentRecord, "No current record.");
    state_->current = position;
}

const std::vector<std::string>& Recordset::columns() const
{
    return state_->columns;
}

int Recordset::column_index(const std::string& name) const
{
    const auto& columns = state_->columns;
    const auto found = std::find(columns.begin(), columns.end(), lower(name));
    return found == columns.end() ? -1 : static_cast<int>(found - columns.begin());
}

FieldValue Recordset::value(long position, int column) const
{
    if (position < 0 || position >= size() || column < 0
        || column >= static_cast<int>(state_->columns.size()))
        throw StepError(errSubscript, "Subscript out of range.");
    try {
        return state_->row(position)[static_cast<size_t>(column)];
    } catch (const StepError& error) {
        state_->report(error);
        throw;
    }
}

long long Recordset::bookmark(long position) const
{
    if (position < 0 || position >= size())
        throw StepError(errSubscript, "Subscript out of range.");
    if (state_->keyed)
        return state_->id_at(position);
    return position + 1;
}

namespace {

// The writable columns of `values` as "name = ?" pieces, checked before anything is written.
// The values with the keys of the keyed text columns among them.
FieldValues with_keys(const RecordsetState& s, FieldValues values)
{
    for (const auto& [column, key_column] : s.text_keys)
        if (const auto found = values.find(column); found != values.end())
            values[key_column] = found->second ? FieldValue(text_key(*found->second)) : std::nullopt;
    return values;
}

std::vector<std::pair<std::string, const FieldValue*>> writable(const RecordsetState& s,
                                                               const Recordset& rs,
                                                               const FieldValues& values)
{
    if (s.table.empty())
        throw StepError(errReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    std::vector<std::pair<std::string, const FieldValue*>> fields;
    for (const auto& [name, value] : values) {
        const int column = rs.column_index(name);
        if (column < 0)
            throw StepError(errItemNotFound, "Item not found in this collection.");
        const std::string& origin = s.origins[static_cast<size_t>(column)];
        if (origin.empty())
            throw StepError(errFieldNotUpdatable, "Field cannot be updated.");
        fields.emplace_back(origin, &value);
    }
    return fields;
}

void bind_fields(RecordsetState& s, sqlite3_stmt* stmt,
                 const std::vector<std::pair<std::string, const FieldValue*>>& fields)
{
    int index = 1;
    for (const auto& [origin, value] : fields)
        bind_value(stmt, index++, *value, s.connection->affinity(s.table, origin));
}

} // namespace

long long Recordset::insert_row(const FieldValues& given)
{
    RecordsetState& s = *state_;
    try {
        const FieldValues values = with_keys(s, given);
        s.connection->before_write();
        const auto fields = writable(s, *this, values);
        std::string names, marks;
        for (const auto& field : fields) {
            names += (names.empty() ? "" : ", ") + quote_name(field.first);
            marks += marks.empty() ? "?" : ", ?";
        }
        const std::string sql = fields.empty()
            ? "insert into " + quote_name(s.table) + " default values"
            : "insert into " + quote_name(s.table) + " (" + names + ") values (" + marks + ")";
        Statement insert(s.connection->db, sql);
        bind_fields(s, insert.get(), fields);
        insert.step();
        ++s.connection->writes;
        const long long id = sqlite3_last_insert_rowid(s.connection->db);
        s.connection->rows_changed(s.table, 1);
        s.pin(s.count++, id);
        return id;
    } catch (const StepError& error) {
        s.report(error);
        throw;
    }
}

void Recordset::update_row(long position, const FieldValues& given)
{
    RecordsetState& s = *state_;
    try {
        const long long id = bookmark(position);
        const FieldValues values = with_keys(s, given);
        s.connection->before_write();
        const auto fields = writable(s, *this, values);
        if (fields.empty())
            return;
        std::string sets;
        for (const auto& field : fields)
            sets += (sets.empty() ? "" : ", ") + quote_name(field.first) + " = ?";
        Statement update(s.connection->db, "update " + quote_name(s.table) + " set " + sets
                                               + " where " + quote_name(s.key_column) + " = ?");
        bind_fields(s, update.get(), fields);
        sqlite3_bind_int64(update.get(), static_cast<int>(fields.size() + 1), id);
        update.step();
        ++s.connection->writes;
        if (sqlite3_changes(s.connection->db) == 0)
            throw StepError(errRecordDeleted, "Record is deleted.");
        s.pin(position, id);
    } catch (const StepError& error) {
        s.report(error);
        throw;
    }
}

void Recordset::delete_row(long position)
{
    RecordsetState& s = *state_;
    try {
        const long long id = bookmark(position);
        if (s.table.empty())
            throw StepError(errReadOnlyDatabase, "Cannot update. Database or object is read-only.");
        s.connection->before_write();
        Statement remove(s.connection->db, "delete from " + quote_name(s.table) + " where "
                                               + quote_name(s.key_column) + " = ?");
        sqlite3_bind_int64(remove.get(), 1, id);
        remove.step();
        // Gone from the file already (another control deleted it): it leaves the order too.
        s.connection->rows_changed(s.table, -sqlite3_changes(s.connection->db));
        s.unpin(position);
        --s.count;
        if (s.current > position || s.current >= s.size())
            --s.current;
    } catch (const StepError& error) {
        s.report(error);
        throw;
    }
}

// --- DataControl -------------------------------------------------------------------------

DataControl::DataControl()
    : recordset_(std::make_unique<Recordset>(std::make_shared<RecordsetState>()))
{
}

DataControl::~DataControl()
{
    recordset_->state_->owner = nullptr;
}

void DataControl::Refresh()
{
    if (open_ && Validate)
        Validate();
    auto fresh = std::make_shared<RecordsetState>();
    try {
        connect();
        fresh->connection = connection_;
        fresh->key_field = lower(KeyField);
        fresh->kept_count = RowCount;
        fresh->text_keys = TextKeyColumns;
        if (!RecordSource.empty()) {
            fresh->source = jet_to_sqlite(with_text_keys(RecordSource, TextKeyColumns));
            fresh->load();
        }
    } catch (const StepError& error) {
        // The old rows go: a lookup that failed must not answer with the last one's result.
        const bool was_open = open_;
        recordset_->state_->owner = nullptr;
        recordset_->state_ = std::make_shared<RecordsetState>();
        open_ = false;
        if (was_open && Reloaded)
            Reloaded();
        if (Error) {
            int response = 1;
            Error(error.number(), response);
        }
        throw;
    }
    recordset_->state_->owner = nullptr;
    fresh->owner = this;
    recordset_->state_ = std::move(fresh);
    open_ = !RecordSource.empty();
    if (Reloaded)
        Reloaded();
}

void DataControl::connect()
{
    // The same names as the last time: the same file (a file replaced under the program is
    // caught before each write), and a sort does not look the path up again.
    if (connection_ && DatabaseName == connected_name_ && Connect == connected_with_)
        return;
    const std::string path = native_path(DatabaseName);
    std::error_code ec;
    const bool same = connection_ && connection_->key == password(Connect)
        && connection_->path == std::filesystem::canonical(path, ec).string();
    if (!same)
        connection_ = Connection::open(DatabaseName, Connect);
    connected_name_ = DatabaseName;
    connected_with_ = Connect;
}

void DataControl::Execute(const std::string& sqlite_sql)
{
    connect();
    sqlite3* db = connection_->db;
    char* message = nullptr;
    if (sqlite3_exec(db, ("savepoint execute; " + sqlite_sql + "; release execute").c_str(),
                     nullptr, nullptr, &message)
        != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        sqlite3_exec(db, "rollback to execute; release execute", nullptr, nullptr, nullptr);
        throw StepError(errDatabase, text);
    }
    ++connection_->writes;
    connection_->forget_counts();
}

Recordset& DataControl::recordset()
{
    if (!open_)
        throw StepError(errObjectNotSet, "Object variable or With block variable not set.");
    return *recordset_;
}

// Made under a temporary name and linked into place only when complete, so that a book
// that is half made never stands under the book's name, and one that appeared meanwhile is
// never replaced.
void CreateDatabase(const std::string& database_name, const std::string& connect,
                    const std::string& schema)
{
    const std::string path = native_path(database_name);
    const std::string made = path + ".making-" + std::to_string(::getpid());
    std::error_code ec;
    std::filesystem::remove(made, ec);
    sqlite3* db = nullptr;
    const auto cleanup = [&] {
        sqlite3_close(db);
        std::filesystem::remove(made, ec);
        std::filesystem::remove(made + "-journal", ec);
    };
    try {
        if (sqlite3_open_v2(made.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            != SQLITE_OK)
            fail(db);
        const std::string key = password(connect);
        if (!key.empty())
            sqlite3_key(db, key.data(), static_cast<int>(key.size()));
        const std::string script = "begin;\n" + schema + "\n;commit;";
        if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(db);
    } catch (const StepError&) {
        cleanup();
        throw;
    }
    sqlite3_close(db);
    db = nullptr;
    if (::link(made.c_str(), path.c_str()) != 0 && errno != EEXIST) {
        const int error = errno;
        cleanup();
        throw StepError(error == EACCES || error == EROFS || error == EPERM ? errPathFileAccess
                                                                           : errDatabase,
                        "Cannot make '" + database_name + "'.");
    }
    cleanup();
}

} // namespace platform
