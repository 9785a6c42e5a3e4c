#pragma once
// A keyed list (one table's rows, each found again by its integer id) read a window of rows at
// a time in its own order, never whole: a book of a million contacts shows its first screen,
// and any screen after a jump, reading only the rows of that screen.
//
// Windows of kPageRows rows are read from the order's index, starting at a signpost: the order
// values of a window's first row. A list scrolled down finds each window's signpost at the end
// of the window before; a jump walks from the nearest signpost (or end of the list), stepping
// over rows in the index without reading them; signpost_step, run while the program is idle,
// puts a signpost at every 256th of a long order so that no jump walks far. Ties of the order
// are broken by the id, the order's last term, so both ends of the list read the same order.
//
// Rows written since the list was read keep their places (an edited row does not jump to where
// its new values would sort it, an added row stays at the end): they are pinned there and left
// out of the windows, which hold the other rows. Positions count the pinned rows.
//
// What was read is good until a write of this connection (Connection::writes): the pages and
// signposts are then forgotten and read again as they are needed.
#include "platform/connection.h"
#include "platform/jet_sql.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

// Rows are fetched by position in windows of this many; the grid shows about eight at a time.
constexpr long kPageRows = 16;
// Windows kept read; past this many they are all dropped and read again as needed.
constexpr size_t kMaxPages = 256;
// An order longer than this gets signposts while the program is idle, this many in all: a
// step walks a 256th of it (a millisecond or two for a million rows, so typing never waits
// long behind one), and a first jump anywhere walks at most half a step.
constexpr long kSignpostedFrom = 1024;
constexpr long kIdleSignposts = 256;

struct KeysetPager {
    // Set by the owner before the first read.
    std::shared_ptr<Connection> connection;
    std::string unordered;              // the select without its order
    std::vector<OrderTerm> order;       // its order, the id as the last term
    std::string id_name;                // the id column's name in the select
    int id_column = -1;                 // and its place in a row
    size_t width = 0;                   // the columns of a row
    long count = 0;                     // the rows, pinned ones included
    long long data_version = -1;        // the file's, when the rows were counted

    std::map<long, long long> pinned;   // position -> id
    std::unordered_map<long, std::vector<std::vector<FieldValue>>> pages;
    std::unordered_map<long long, std::vector<FieldValue>> pinned_rows;
    unsigned long long pages_written = 0;
    std::shared_ptr<Signposts> posts;
    std::shared_ptr<Signposts> signposted;   // what the idle steps so far went into
    long signposted_to = 0;

    // The row at a position (0 to count - 1), its values in the select's column order. Rows
    // another connection deleted meanwhile read as all Null. Throws StepError when the book
    // cannot be read.
    const std::vector<FieldValue>& row(long position);
    long long id_at(long position);
    // True when a write since the pages were read made them stale.
    bool stale() const { return pages_written != connection->writes; }
    void forget_pages();
    // A written row keeps its place until the list is read anew.
    void pin(long position, long long id);
    void unpin(long position);   // the row is gone; the rows after it move up
    // The first row in the order that meets the first of the SQLite conditions that any row
    // meets: which condition, the row's position and its id.
    struct Match {
        size_t condition = 0;
        long at = 0;
        long long id = 0;
    };
    std::optional<Match> first_match(const std::vector<std::string>& conditions);
    // One step of the idle walk; false when the order is signposted to its end.
    bool signpost_step();

    // The inner working, open to tests of the walk.
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
    bool uses_an_index(const std::string& select) const;
    std::optional<Match> ranked_match(const std::vector<std::string>& conditions, bool indexed);
    std::string sorted_clause(const std::string& first) const;
    long rows_before(long long id, const TermValues& values);
    bool comes_before(long long id, const TermValues& signpost) const;
    long query_position(long position) const;
    long display_position(long query_position) const;
};

} // namespace platform
