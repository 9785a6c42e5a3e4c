#include "platform/keyset_pager.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace platform {

std::string KeysetPager::term_list() const
{
    std::string terms;
    for (const OrderTerm& term : order)
        terms += (terms.empty() ? "(" : ", (") + term.expression + ")";
    return terms;
}

// The order from one of its terms on: the terms before it are fixed by an equality, and an
// order by a fixed expression can keep SQLite from seeing that an index gives the order.
std::string KeysetPager::order_clause(bool reversed, size_t from_term) const
{
    std::string clause;
    for (size_t i = from_term; i < order.size(); ++i)
        clause += (clause.empty() ? " order by " : ", ") + order[i].expression
            + (order[i].descending != reversed ? " desc" : "");
    return clause;
}

std::string KeysetPager::excluding_pinned() const
{
    const std::string id = quote_name(id_name);
    std::string sql = "select * from (" + unordered + ")";
    if (pinned.empty())
        return sql;
    std::string list;
    for (const auto& entry : pinned)
        (list += list.empty() ? "" : ",") += std::to_string(entry.second);
    return sql + " where " + id + " not in (" + list + ")";
}

// Positions count the pinned rows; the windows' query does not hold them.
long KeysetPager::query_position(long position) const
{
    long before = 0;
    for (auto it = pinned.begin(); it != pinned.end() && it->first < position; ++it)
        ++before;
    return position - before;
}

long KeysetPager::display_position(long query_position) const
{
    long position = query_position;
    for (const auto& entry : pinned)
        if (entry.first <= position)
            ++position;
    return position;
}

Signposts& KeysetPager::signposts()
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
std::vector<KeysetPager::Range> KeysetPager::ranges(const TermValues* from, bool reversed,
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
void KeysetPager::scan(const std::string& selected, const TermValues* from, bool reversed,
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
std::optional<TermValues> KeysetPager::skip_from(const TermValues* from, bool reversed,
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
void KeysetPager::walk_to(long page)
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

// One step of the idle walk; false when the order is signposted to its end.
bool KeysetPager::signpost_step()
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
std::vector<std::vector<FieldValue>> KeysetPager::fetch_page(long page)
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
        const int terms_at = static_cast<int>(width);
        scan("*, " + term_list(), page == 0 ? nullptr : &from->second, false, true, wanted + 1, [&](sqlite3_stmt* stmt) {
            if (static_cast<long>(page_rows.size()) == wanted) {
                posts_now.at.try_emplace(page + 1, term_values(stmt, terms_at, n));
                return false;
            }
            std::vector<FieldValue> row;
            row.reserve(width);
            for (int i = 0; i < terms_at; ++i)
                row.push_back(column_value(stmt, i));
            page_rows.push_back(std::move(row));
            return true;
        });
    }
    // Rows another connection deleted meanwhile read as all Null.
    page_rows.resize(static_cast<size_t>(wanted), std::vector<FieldValue>(width));
    return page_rows;
}

std::vector<FieldValue> KeysetPager::fetch_pinned(long long id) const
{
    Statement query(connection->db, "select * from (" + unordered + ") where "
                                        + quote_name(id_name)
                                        + " = ?");
    sqlite3_bind_int64(query.get(), 1, id);
    if (query.step())
        return row_values(query.get());
    return std::vector<FieldValue>(width);
}

void KeysetPager::forget_pages()
{
    pages.clear();
    pinned_rows.clear();
    posts.reset();
    pages_written = connection->writes;
}

const std::vector<FieldValue>& KeysetPager::row(long position)
{
    if (stale())
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

long long KeysetPager::id_at(long position)
{
    if (const auto found = pinned.find(position); found != pinned.end())
        return found->second;
    const FieldValue& id = row(position)[static_cast<size_t>(id_column)];
    return id ? std::stoll(*id) : 0;
}

// A written row keeps its place until the next Refresh.
void KeysetPager::pin(long position, long long id)
{
    pinned[position] = id;
}

void KeysetPager::unpin(long position)
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

// The first row in the current order that meets the first of the conditions any row meets.
// Conditions an index serves (a search by the first letters) are tried one after the other,
// each finding its row in the order's index. Otherwise the table is read once in its own
// order for all of them, rather than through the order's index, which would read the table's
// pages again and again, and once per condition: each row is ranked by the first condition it
// meets and only the first row of the lowest rank in the list's order is kept. The row's
// position is counted from the nearest signpost before it.
std::optional<KeysetPager::Match> KeysetPager::first_match(const std::vector<std::string>& conditions)
{
    bool indexed = true;
    for (const std::string& condition : conditions)
        indexed = indexed && uses_an_index("select * from (" + unordered + ") where (" + condition + ")");
    if (!indexed)
        return ranked_match(conditions, false);
    for (size_t i = 0; i < conditions.size(); ++i)
        if (auto match = ranked_match({conditions[i]}, true))
            return Match{i, match->at, match->id};
    return std::nullopt;
}

// `indexed`: the conditions' rows are read through an index, which gives them in the order.
std::optional<KeysetPager::Match> KeysetPager::ranked_match(const std::vector<std::string>& conditions, bool indexed)
{
    sqlite3* db = connection->db;
    const std::string id = quote_name(id_name);
    std::string any, rank = "case";
    for (size_t i = 0; i < conditions.size(); ++i) {
        any += (i == 0 ? "(" : " or (") + conditions[i] + ")";
        rank += " when (" + conditions[i] + ") then " + std::to_string(i);
    }
    rank += " end";
    const auto better = [](const Match& a, const std::optional<Match>& b) {
        return !b || std::pair(a.condition, a.at) < std::pair(b->condition, b->at);
    };
    std::optional<Match> best;
    if (!pinned.empty()) {
        std::string list;
        for (const auto& entry : pinned)
            (list += list.empty() ? "" : ",") += std::to_string(entry.second);
        Statement query(db, "select " + id + ", " + rank + " from (" + unordered + ") where " + id + " in ("
                                + list + ") and (" + any + ")");
        std::map<long long, size_t> hits;
        while (query.step())
            hits.emplace(sqlite3_column_int64(query.get(), 0), static_cast<size_t>(sqlite3_column_int64(query.get(), 1)));
        for (const auto& [at, pinned_id] : pinned)
            if (const auto hit = hits.find(pinned_id); hit != hits.end() && better({hit->second, at, pinned_id}, best))
                best = Match{hit->second, at, pinned_id};
    }
    const std::string matches = "select " + id + ", " + term_list() + ", " + rank + " from (" + excluding_pinned()
        + ") where (" + any + ")";
    const std::string rank_column = std::to_string(order.size() + 2);
    Statement first(db, matches + (indexed ? order_clause(false) : sorted_clause(rank_column)) + " limit 1");
    if (!first.step())
        return best;
    const long long match = sqlite3_column_int64(first.get(), 0);
    const TermValues kept = term_values(first.get(), 1, order.size());
    const auto condition = static_cast<size_t>(sqlite3_column_int64(first.get(), static_cast<int>(order.size()) + 1));
    const Match found{condition, display_position(rows_before(match, kept)), match};
    return better(found, best) ? found : best;
}

// True when the engine reads the rows of a select through an index rather than the whole table.
bool KeysetPager::uses_an_index(const std::string& select) const
{
    Statement plan(connection->db, "explain query plan " + select);
    while (plan.step()) {
        const auto* detail = reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
        if (detail && std::string_view(detail).starts_with("SEARCH"))
            return true;
    }
    return false;
}

// The order said so that no index gives it: the rows are read in the table's order and only
// the first one in the list's order is kept. `first` is a term that goes before the order's.
std::string KeysetPager::sorted_clause(const std::string& first) const
{
    std::string clause = " order by " + first;
    for (const OrderTerm& term : order)
        clause += ", +(" + term.expression + ")" + (term.descending ? " desc" : "");
    return clause;
}

// The rows of the query before a row in the order: the rows before the last signpost not
// after it, and those from that signpost on to the row, stepped over in the order's index.
long KeysetPager::rows_before(long long id, const TermValues& values)
{
    const Signposts& posts_now = signposts();
    const TermValues* from = nullptr;
    long from_row = 0;
    long limit = count - static_cast<long>(pinned.size());
    std::vector<std::pair<long, const TermValues*>> known;
    for (const auto& [page, signpost] : posts_now.at)
        known.emplace_back(page, &signpost);
    // The signposts are in the order: the last one not after the row, halving.
    size_t low = 0, high = known.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (comes_before(id, *known[middle].second))
            high = middle;
        else
            low = middle + 1;
    }
    if (low > 0) {
        from = known[low - 1].second;
        from_row = known[low - 1].first * kPageRows;
        if (low < known.size())
            limit = known[low].first * kPageRows - from_row + 1;
    }
    long stepped = 0;
    bool reached = false;
    scan(quote_name(id_name), from, false, true, limit, [&](sqlite3_stmt* stmt) {
        if (sqlite3_column_int64(stmt, 0) == id) {
            reached = true;
            return false;
        }
        ++stepped;
        return true;
    });
    if (reached)
        return from_row + stepped;
    std::vector<sqlite3_value*> bound;
    for (const TermValue& value : values)
        bound.push_back(value.get());
    Statement before(connection->db, "select count(*) from (" + excluding_pinned() + ") where "
                                         + before_condition(order, bound));
    for (size_t i = 0; i < bound.size(); ++i)
        sqlite3_bind_value(before.get(), static_cast<int>(i + 1), bound[i]);
    return before.step() ? static_cast<long>(sqlite3_column_int64(before.get(), 0)) : 0;
}

// True when the row `id` comes before the row whose order values are `signpost`.
bool KeysetPager::comes_before(long long id, const TermValues& signpost) const
{
    std::vector<sqlite3_value*> bound;
    for (const TermValue& value : signpost)
        bound.push_back(value.get());
    const int id_at = static_cast<int>(bound.size()) + 1;
    Statement row(connection->db, "select 1 from (" + unordered + ") where " + quote_name(id_name)
                                      + " = ?" + std::to_string(id_at) + " and "
                                      + before_condition(order, bound));
    for (size_t i = 0; i < bound.size(); ++i)
        sqlite3_bind_value(row.get(), static_cast<int>(i + 1), bound[i]);
    sqlite3_bind_int64(row.get(), id_at, id);
    return row.step();
}

} // namespace platform
