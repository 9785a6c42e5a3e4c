#pragma once
// The Jet dialect of the book's SQL texts, translated for SQLite. Patterns ignore the case of
// every letter, as the key columns of with_text_keys do, so that searching, comparing and
// sorting agree with each other.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A text as a Jet string literal: in double quotes, a quote inside doubled.
std::string jet_quote(std::string_view text);

// Jet SQL to SQLite SQL: double-quoted literals become single-quoted ones, True/False
// become -1/0, and `like` takes Jet's patterns (through the connection's function
// jet_like(value, pattern) where SQLite's own like cannot say it). Throws StepError on an
// unterminated literal or a `like` without both sides.
std::string jet_to_sqlite(std::string_view jet);

// Jet's pattern comparison: * any run, ? any one character, # one digit, [abc], [a-z] and
// [!abc] one character of (or not of) a list; letters compared without regard to case.
// A "[" without its "]" stands for itself; "[]" stands for nothing.
class JetPattern {
public:
    explicit JetPattern(std::string_view pattern);
    bool matches(std::string_view value) const;

private:
    struct Item {
        enum Kind { Run, One, Digit, List, Char };
        Item(Kind k, char32_t c = 0) : kind(k), ch(c) {}
        Kind kind;
        char32_t ch = 0;                                    // Char
        bool negated = false;                               // List
        std::vector<std::pair<char32_t, char32_t>> ranges;  // List
    };
    bool matches_one(const Item& item, char32_t c) const;
    std::vector<Item> items_;
};

bool jet_like(std::string_view value, std::string_view pattern);

// A select without its closing "order by" clause: for a search whose matches are placed in
// the order by other means, so that an index on the searched field can serve it instead.
std::string without_order_by(std::string_view sqlite_sql);

// True for a plain single-table select (no join, grouping, distinct, compound or limit),
// whose rows can be fetched again by key.
bool is_single_table_select(std::string_view sqlite_sql);

// The terms of a select's closing "order by" clause, each with its direction; none without
// one. Used to read a sorted list a window at a time from either end.
struct OrderTerm {
    std::string expression;
    bool descending = false;
};
std::vector<OrderTerm> order_by_terms(std::string_view sqlite_sql);

// True when the select has a "where" clause of its own (not one inside parentheses).
bool has_where(std::string_view sqlite_sql);

// Text columns (lower-case names) compared and sorted through key columns of text_key: each
// maps to its key column.
using TextKeys = std::map<std::string, std::string>;

// A Jet text with its keyed columns compared through their keys: in "order by" the key column
// replaces the column; `column = "text"` and `column <> "text"` compare the key with the text's
// key; `column like "pattern"` also bounds the key by the pattern's leading letters, so the
// key's index serves a prefix search.
std::string with_text_keys(std::string_view jet, const TextKeys& keys);

} // namespace platform
