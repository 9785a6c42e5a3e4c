#include "platform/connection.h"

#include "platform/data_control.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/jet_sql.h"
#include "platform/runtime.h"
#include "platform/text_order.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Pages the connection may keep decrypted in memory (KiB, SQLite's negative form): the pages
// of the screens and walks of the moment fit; a larger cache only keeps a million contacts'
// book from fitting in a hundred megabytes.
constexpr const char* kCacheSize = "pragma cache_size = -16384";

// How long a statement waits for a lock that another program holds before it gives up.
int lock_wait_ms = 3000;

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

// The book's name is written the Windows way; the program folder at its start stays native.
std::string book_path(const std::string& name)
{
    return native_path(name);
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
        if (part.size() >= 4 && lower_ascii(part.substr(0, 4)) == "pwd=")
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

bool matches_its_size(sqlite3* db, const std::string& path);

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
    // Rows a program that was killed left in the write-ahead log are put into the book first:
    // until then the book is shorter than its pages.
    if (!matches_its_size(db, path))
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    if (!matches_its_size(db, path))
        throw StepError(errDamaged, damaged);
}

// The book's pages take up the whole file and nothing more.
bool matches_its_size(sqlite3* db, const std::string& path)
{
    int rc = SQLITE_OK;
    const long long page_size = single_number(db, "pragma page_size", rc);
    const long long pages = rc == SQLITE_OK ? single_number(db, "pragma page_count", rc) : 0;
    std::error_code ec;
    const auto size = static_cast<long long>(std::filesystem::file_size(path, ec));
    return rc == SQLITE_OK && !ec && page_size > 0 && size % page_size == 0 && size / page_size == pages;
}

// A lock another program held at the last open of a file, until the wait for it would have
// ended again: the opens of one start wait for it once.
std::map<std::string, std::chrono::steady_clock::time_point>& locked_files()
{
    static std::map<std::string, std::chrono::steady_clock::time_point> files;
    return files;
}

bool locked_a_moment_ago(const std::string& path)
{
    const auto found = locked_files().find(path);
    return found != locked_files().end() && std::chrono::steady_clock::now() < found->second;
}

void note_locked(const std::string& path)
{
    locked_files()[path] = std::chrono::steady_clock::now() + std::chrono::milliseconds(lock_wait_ms);
}

} // namespace

void set_lock_wait(int milliseconds)
{
    lock_wait_ms = milliseconds;
}

Connection::Connection(std::string canonical_path, std::string password_text)
    : path(std::move(canonical_path)), key(std::move(password_text))
{
}

Connection::~Connection()
{
    close();
}

// Each row written is its own commit, appended to the write-ahead log and put into the book by
// the engine now and then: a fifth of the cost of a rollback journal, and a killed program
// loses no committed row (a power loss may lose the last ones). Another program reading the
// book does not keep the switch waiting: the book is then written with a rollback journal.
void Connection::begin_write_ahead_log()
{
    sqlite3_busy_timeout(db, 0);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "pragma journal_mode = wal", -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW)
        write_ahead_log_ = lower_ascii(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) == "wal";
    sqlite3_finalize(stmt);
    if (write_ahead_log_)
        sqlite3_exec(db, "pragma synchronous = normal", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db, lock_wait_ms);
}

// The log is put into the book and the book goes back to a rollback journal, so that while the
// program is not running the book is the one file "contatti.mdb", which a user can copy whole.
void Connection::close()
{
    statements.clear();
    if (db && write_ahead_log_) {
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_exec(db, "pragma journal_mode = delete", nullptr, nullptr, nullptr);
    }
    write_ahead_log_ = false;
    sqlite3_close_v2(db);
    db = nullptr;
}

bool Connection::opens(const std::string& database_name, const std::string& connect) const
{
    std::error_code ec;
    return key == password(connect)
        && path == std::filesystem::canonical(book_path(database_name), ec).string();
}

std::shared_ptr<Connection> Connection::open(const std::string& database_name,
                                             const std::string& connect)
{
    namespace fs = std::filesystem;
    const std::string native = book_path(database_name);
    std::error_code ec;
    if (native.empty() || !fs::is_regular_file(native, ec))
        throw StepError(errFileNotFound, "Could not find file '" + database_name + "'.");
    const std::pair<std::string, std::string> names{fs::canonical(native, ec).string(), password(connect)};

    static std::map<std::pair<std::string, std::string>, std::weak_ptr<Connection>> registry;
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    if (auto shared = registry[names].lock())
        return shared;

    auto connection = std::make_shared<Connection>(names.first, names.second);
    connection->connect(database_name);
    registry[names] = connection;
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
    sqlite3_busy_timeout(db, locked_a_moment_ago(path) ? 0 : lock_wait_ms);
    try {
        check_header(db, path, database_name);
    } catch (const StepError& error) {
        if (error.number() == errFileInUse)
            note_locked(path);
        throw;
    }
    sqlite3_busy_timeout(db, lock_wait_ms);
    begin_write_ahead_log();
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
    close();
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

ReadTransaction::ReadTransaction(Connection& connection)
    : connection_(connection), began_(sqlite3_get_autocommit(connection.db) != 0)
{
    if (began_)
        Statement(connection_.db, "begin", &connection_.statements).step();
}

ReadTransaction::~ReadTransaction()
{
    if (!began_)
        return;
    try {
        Statement(connection_.db, "commit", &connection_.statements).step();
    } catch (const StepError&) {
        sqlite3_exec(connection_.db, "rollback", nullptr, nullptr, nullptr);
    }
}

// Made under a temporary name and linked into place only when complete, so that a book
// that is half made never stands under the book's name, and one that appeared meanwhile is
// never replaced.
void CreateDatabase(const std::string& database_name, const std::string& connect,
                    const std::string& schema)
{
    const std::string path = book_path(database_name);
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
