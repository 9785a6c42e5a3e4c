#pragma once
// Generated books of many contacts for the benchmarks. A book is made once from the shipped
// schema under the shipped key and kept in the bench's book folder, named by its size and a
// digest of the schema, so later runs reuse it and a changed schema makes a new one.
#include <functional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace bench {

// The contacts of the book the window benchmarks use: TAVOLY_BENCH_CONTACTS, else 100,000.
long book_contacts();

// The book of `contacts` contacts; the first call of a run may make it (minutes for a million),
// so call it before timing. Without `keys`, its key columns are empty, as in a book of the
// earlier shape, which the program fills at its first open.
const std::string& book_path(long contacts, bool keys = true);
inline const std::string& book_path() { return book_path(book_contacts()); }

// Copies a book and waits until the copy is on the disk: otherwise the first commit on it pays
// for writing out the whole copy, and a benchmark of one write measures the copy.
void copy_to_disk(const std::string& from, const std::string& to);

// Runs `release` once the benchmarks are done, before the application object goes: what holds
// widgets must be gone by then.
void before_application_ends(std::function<void()> release);
void release_before_application_ends();

// A temporary folder removed with its contents when the object goes.
struct TempFolder {
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};

// A raw connection on a book, opened with the book's key and the page cache the layer's
// connection has, so that the raw side reads the way the layer does. Throws when it cannot.
sqlite3* open_raw(const std::string& path);

// One statement on a raw connection, for the same query run beside the layer.
class RawStatement {
public:
    RawStatement(sqlite3* db, const std::string& sql);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    bool step() const;

private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace bench
