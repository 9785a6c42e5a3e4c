#pragma once
// A generated book of 100,000 contacts, made once per run in a temporary folder from the
// shipped schema under the shipped key, and removed when the run ends.
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace bench {

constexpr long kBookContacts = 100000;

// The book's path; the first call makes it (a few seconds), so call it before timing.
const std::string& book_path();

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
