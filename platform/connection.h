#pragma once
// One open book file under one key, shared by every data control that names it: opening costs
// the key derivation, so a Refresh re-runs its query on the connection it has. While it is
// open, the book is written through a write-ahead log ("contatti.mdb-wal"), put into the book
// when the connection closes. A lock another program holds is waited for once: opens of the
// same file during the wait's span after one ran out fail at once. The connection
// keeps what outlives one query: prepared statements, the number of rows of a table, and the
// signposts of the orders read lately, each good until a write changes the rows.
#include "platform/sqlite_statement.h"

#include <sqlite3.h>
#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Where the windows of an order begin: the order values of each window's first row, so that a
// window is read from there through the order's index instead of being counted from an end of
// a long list. Good for one query and order until a write changes the rows.
struct Signposts {
    std::string query;
    unsigned long long writes = 0;
    long long data_version = -1;
    std::map<long, TermValues> at;   // window -> its first row's order values
};

class Connection {
public:
    Connection(std::string canonical_path, std::string password_text);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The open connection to the file under that password, or a new one. Throws StepError
    // when the file is missing, cannot be opened, is not a book under that password, or is
    // damaged in its first page; the file is never modified by a failed open.
    static std::shared_ptr<Connection> open(const std::string& database_name,
                                            const std::string& connect);
    // True when this connection is the one `open` would give for these names.
    bool opens(const std::string& database_name, const std::string& connect) const;

    Affinity affinity(const std::string& table, const std::string& column);
    // The rows of a whole table, counted once (or read by `kept_count`, a select of the number
    // the book keeps) and then kept up to date by this connection's own writes; counted again
    // after another connection changed the file.
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

    const std::string path;
    const std::string key;
    sqlite3* db = nullptr;
    StatementCache statements;
    unsigned long long writes = 0;  // counts writes, so that fetched pages know they are stale
    ino_t inode = 0;                // the file opened
    dev_t device = 0;

private:
    void connect(const std::string& database_name);
    void begin_write_ahead_log();
    void close();

    bool write_ahead_log_ = false;

    std::map<std::string, long> rows_;
    long long data_version_ = -1;
    std::vector<std::shared_ptr<Signposts>> signposts_;   // the latest first
};

// What a Refresh reads is read under one lock of the file: the count and the first window
// agree, and the file is locked once rather than once a statement. Inside a transaction
// already, it adds nothing.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection& connection);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Connection& connection_;
    bool began_;
};

} // namespace platform
