#include "platform/jet_sql.h"

#include "platform/failure.h"
#include "platform/runtime.h"
#include "platform/text_order.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace platform {

namespace {

enum class Kind { Space, Word, Number, Literal, Bracketed, Punct };

struct Token {
    Kind kind;
    std::string text;   // as SQLite reads it
    std::string value;  // a literal's decoded text
};

bool word_start(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_'
        || static_cast<unsigned char>(c) >= 0x80;
}

bool word_part(char c)
{
    return word_start(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

bool is_word(const Token& t, std::string_view w)
{
    return t.kind == Kind::Word && lower_ascii(t.text) == w;
}

std::string sqlite_quote(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

// A quoted literal starting at `pos` (either quote); a doubled quote inside is one quote.
Token read_literal(std::string_view sql, size_t& pos)
{
    const char quote = sql[pos];
    std::string value;
    for (size_t i = pos + 1; i < sql.size(); ++i) {
        if (sql[i] != quote) {
            value += sql[i];
        } else if (i + 1 < sql.size() && sql[i + 1] == quote) {
            value += quote;
            ++i;
        } else {
            pos = i + 1;
            return {Kind::Literal, sqlite_quote(value), value};
        }
    }
    throw StepError(errDatabase, "Syntax error in string in query expression '"
                                     + std::string(sql) + "'.");
}

std::vector<Token> tokenize(std::string_view sql)
{
    static constexpr std::array<std::string_view, 7> two_char{"<>", "<=", ">=", "!=", "==", "||",
                                                              "<<"};
    std::vector<Token> tokens;
    size_t pos = 0;
    while (pos < sql.size()) {
        const char c = sql[pos];
        const size_t start = pos;
        if (std::isspace(static_cast<unsigned char>(c))) {
            while (pos < sql.size() && std::isspace(static_cast<unsigned char>(sql[pos])))
                ++pos;
            tokens.push_back({Kind::Space, " ", {}});
        } else if (c == '"' || c == '\'') {
            tokens.push_back(read_literal(sql, pos));
        } else if (c == '[') {
            const size_t close = sql.find(']', pos);
            pos = close == std::string_view::npos ? sql.size() : close + 1;
            tokens.push_back({Kind::Bracketed, std::string(sql.substr(start, pos - start)), {}});
        } else if (word_start(c)) {
            while (pos < sql.size() && word_part(sql[pos]))
                ++pos;
            tokens.push_back({Kind::Word, std::string(sql.substr(start, pos - start)), {}});
        } else if (std::isdigit(static_cast<unsigned char>(c))
                   || (c == '.' && pos + 1 < sql.size()
                       && std::isdigit(static_cast<unsigned char>(sql[pos + 1])))) {
            while (pos < sql.size()
                   && (std::isalnum(static_cast<unsigned char>(sql[pos])) || sql[pos] == '.'))
                ++pos;
            tokens.push_back({Kind::Number, std::string(sql.substr(start, pos - start)), {}});
        } else {
            const auto two = sql.substr(pos, 2);
            pos += std::find(two_char.begin(), two_char.end(), two) != two_char.end() ? 2 : 1;
            tokens.push_back({Kind::Punct, std::string(sql.substr(start, pos - start)), {}});
        }
    }
    return tokens;
}

void drop_trailing_space(std::vector<Token>& out)
{
    while (!out.empty() && out.back().kind == Kind::Space)
        out.pop_back();
}

// Words that end an operand: the word before "(" is a function's name unless it is one of them.
bool is_keyword(const Token& t)
{
    static constexpr std::array<std::string_view, 16> keywords{
        "where", "and", "or", "not", "on", "having", "when", "then",
        "else",  "select", "by", "case", "in", "is", "between", "like"};
    const std::string w = lower_ascii(t.text);
    return t.kind == Kind::Word
        && std::find(keywords.begin(), keywords.end(), w) != keywords.end();
}

// Takes the operand left of `like` off the end of `out`: a name (maybe qualified), a literal,
// a number, or a parenthesised group with its function name.
std::string take_left_operand(std::vector<Token>& out)
{
    drop_trailing_space(out);
    if (out.empty())
        return {};
    size_t first = out.size() - 1;
    if (out[first].kind == Kind::Punct && out[first].text == ")") {
        int depth = 0;
        for (size_t i = out.size(); i-- > 0;) {
            if (out[i].text == ")" && out[i].kind == Kind::Punct)
                ++depth;
            else if (out[i].text == "(" && out[i].kind == Kind::Punct && --depth == 0) {
                first = i;
                break;
            }
        }
        if (depth != 0)
            return {};
        size_t before = first;
        while (before > 0 && out[before - 1].kind == Kind::Space)
            --before;
        if (before > 0 && out[before - 1].kind == Kind::Word && !is_keyword(out[before - 1]))
            first = before - 1;
    } else if (out[first].kind == Kind::Punct || is_keyword(out[first])) {
        return {};
    } else {
        while (first >= 2 && out[first - 1].kind == Kind::Punct && out[first - 1].text == "."
               && (out[first - 2].kind == Kind::Word || out[first - 2].kind == Kind::Bracketed))
            first -= 2;
    }
    std::string operand;
    for (size_t i = first; i < out.size(); ++i)
        operand += out[i].text;
    out.resize(first);
    return operand;
}

// A plain prefix ("abc*") or a whole text ("abc") says the same in SQLite's own like, and a
// NOCASE index then serves it as a range read; empty when the pattern needs Jet's own
// comparison. Every other wildcard goes to our matcher: the engine's like backtracks on each
// "%", so that "*a*a*a*a*ab" against one long nick takes minutes.
std::optional<std::string> as_sqlite_like(std::string_view pattern)
{
    const bool prefix = !pattern.empty() && pattern.back() == '*';
    const std::string_view stem = prefix ? pattern.substr(0, pattern.size() - 1) : pattern;
    if (stem.find_first_of("*?#[%_") != std::string_view::npos)
        return std::nullopt;
    // SQLite's own like ignores the case of the ASCII letters only.
    if (std::any_of(stem.begin(), stem.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return std::nullopt;
    return std::string(stem) + (prefix ? "%" : "");
}

void translate_like(const std::vector<Token>& in, size_t& i, std::vector<Token>& out,
                    std::string_view sql)
{
    const auto fail = [&] {
        throw StepError(errDatabase,
                        "Syntax error in query expression '" + std::string(sql) + "'.");
    };
    drop_trailing_space(out);
    const bool negated = !out.empty() && is_word(out.back(), "not");
    if (negated)
        out.pop_back();
    const std::string left = take_left_operand(out);
    size_t r = i + 1;
    while (r < in.size() && in[r].kind == Kind::Space)
        ++r;
    if (left.empty() || r == in.size() || in[r].kind == Kind::Punct || is_keyword(in[r]))
        fail();
    i = r;
    const std::string no = negated ? "not " : "";
    if (!out.empty())
        out.push_back({Kind::Space, " ", {}});
    if (in[r].kind == Kind::Literal) {
        if (auto plain = as_sqlite_like(in[r].value)) {
            out.push_back({Kind::Word, left + " " + no + "like " + sqlite_quote(*plain), {}});
            return;
        }
    }
    out.push_back({Kind::Word, "(" + no + "jet_like(" + left + ", " + in[r].text + "))", {}});
}

// UTF-8 to code points; a stray byte stands for itself.
void decode(std::string_view s, std::u32string& out)
{
    out.clear();
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80 ? 0
            : (b & 0xE0) == 0xC0 ? 1
            : (b & 0xF0) == 0xE0 ? 2
            : (b & 0xF8) == 0xF0 ? 3
                                 : -1;
        bool ok = extra >= 0 && i + extra < s.size();
        char32_t c = extra > 0 ? b & (0x3F >> extra) : b;
        for (int k = 1; ok && k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(s[i + k]);
            ok = (n & 0xC0) == 0x80;
            c = (c << 6) | (n & 0x3F);
        }
        out += ok ? c : char32_t{b};
        i += ok ? extra + 1 : 1;
    }
}

} // namespace

std::string jet_quote(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string jet_to_sqlite(std::string_view jet)
{
    const std::vector<Token> in = tokenize(jet);
    std::vector<Token> out;
    for (size_t i = 0; i < in.size(); ++i) {
        const Token& t = in[i];
        const bool qualified = !out.empty() && out.back().text == ".";
        if (is_word(t, "like"))
            translate_like(in, i, out, jet);
        else if (is_word(t, "true") && !qualified)
            out.push_back({Kind::Number, "-1", {}});
        else if (is_word(t, "false") && !qualified)
            out.push_back({Kind::Number, "0", {}});
        else
            out.push_back(t);
    }
    std::string sql;
    for (const Token& t : out)
        sql += t.text;
    return sql;
}

JetPattern::JetPattern(std::string_view pattern)
{
    std::u32string p;
    decode(pattern, p);
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == '*') {
            items_.emplace_back(Item::Run);
        } else if (c == '?') {
            items_.emplace_back(Item::One);
        } else if (c == '#') {
            items_.emplace_back(Item::Digit);
        } else if (c == '[' && p.find(U']', i + 1) != std::u32string::npos) {
            const size_t close = p.find(U']', i + 1);
            Item list(Item::List);
            size_t k = i + 1;
            if (k < close && p[k] == '!') {
                list.negated = true;
                ++k;
            }
            for (; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == '-') {
                    list.ranges.emplace_back(fold_case(p[k]), fold_case(p[k + 2]));
                    k += 2;
                } else {
                    list.ranges.emplace_back(fold_case(p[k]), fold_case(p[k]));
                }
            }
            if (!list.ranges.empty() || list.negated)
                items_.push_back(std::move(list));
            i = close;
        } else {
            items_.emplace_back(Item::Char, fold_case(c));
        }
    }
}

bool JetPattern::matches_one(const Item& item, char32_t c) const
{
    switch (item.kind) {
    case Item::One: return true;
    case Item::Digit: return c >= '0' && c <= '9';
    case Item::Char: return fold_case(c) == item.ch;
    case Item::List: {
        const char32_t f = fold_case(c);
        const bool in = std::any_of(item.ranges.begin(), item.ranges.end(),
                                    [&](const auto& r) { return f >= r.first && f <= r.second; });
        return in != item.negated;
    }
    case Item::Run: break;
    }
    return false;
}

bool JetPattern::matches(std::string_view value) const
{
    thread_local std::u32string v;
    decode(value, v);
    // Each item but a run takes exactly one character, so backing up to the last run is enough.
    size_t i = 0, k = 0, run = items_.size(), mark = 0;
    while (k < v.size()) {
        if (i < items_.size() && items_[i].kind == Item::Run) {
            run = i++;
            mark = k;
        } else if (i < items_.size() && matches_one(items_[i], v[k])) {
            ++i;
            ++k;
        } else if (run != items_.size()) {
            i = run + 1;
            k = ++mark;
        } else {
            return false;
        }
    }
    while (i < items_.size() && items_[i].kind == Item::Run)
        ++i;
    return i == items_.size();
}

bool jet_like(std::string_view value, std::string_view pattern)
{
    return JetPattern(pattern).matches(value);
}

namespace {

// Where the statement's own "order" stands (not one inside parentheses); the end when none.
size_t top_level_order(const std::vector<Token>& tokens)
{
    int depth = 0;
    size_t found = tokens.size();
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Kind::Punct && t.text == "(")
            ++depth;
        else if (t.kind == Kind::Punct && t.text == ")")
            --depth;
        else if (depth == 0 && is_word(t, "order"))
            found = i;
    }
    return found;
}

} // namespace

std::string without_order_by(std::string_view sqlite_sql)
{
    const std::vector<Token> tokens = tokenize(sqlite_sql);
    const size_t cut = top_level_order(tokens);
    std::string sql;
    for (size_t i = 0; i < cut; ++i)
        sql += tokens[i].text;
    return sql;
}

bool is_single_table_select(std::string_view sqlite_sql)
{
    static constexpr std::array<std::string_view, 11> refused{
        "distinct", "group", "having", "limit", "union", "intersect",
        "except", "join", "natural", "values", "offset"};
    std::vector<Token> tokens;
    try {
        for (Token& t : tokenize(sqlite_sql))
            if (t.kind != Kind::Space)
                tokens.push_back(std::move(t));
    } catch (const StepError&) {
        return false;
    }
    if (tokens.empty() || !is_word(tokens.front(), "select"))
        return false;
    // Where we are: 0 before "from", 1 expecting the table's name, 2 after it, 3 in a clause.
    int state = 0;
    int depth = 0;
    for (const Token& t : tokens) {
        if (t.kind == Kind::Punct && t.text == "(") {
            ++depth;
        } else if (t.kind == Kind::Punct && t.text == ")") {
            --depth;
        } else if (depth == 0) {
            const std::string w = t.kind == Kind::Word ? lower_ascii(t.text) : std::string();
            if (std::find(refused.begin(), refused.end(), w) != refused.end())
                return false;
            if (state == 0 && w == "from")
                state = 1;
            else if (state == 1 && (t.kind == Kind::Word || t.kind == Kind::Bracketed))
                state = 2;
            else if (state == 2 && (w == "where" || w == "order"))
                state = 3;
            else if (state == 1 || state == 2)
                return false;
        }
    }
    return depth == 0 && state >= 2;
}

std::vector<OrderTerm> order_by_terms(std::string_view sqlite_sql)
{
    const std::vector<Token> tokens = tokenize(sqlite_sql);
    const size_t order = top_level_order(tokens);
    const size_t start = order + 2 < tokens.size() && is_word(tokens[order + 2], "by") ? order + 3 : tokens.size();
    std::vector<OrderTerm> terms;
    std::vector<std::string> words;   // the current term's tokens, blanks between them dropped
    const auto close_term = [&] {
        OrderTerm term;
        if (!words.empty() && (lower_ascii(words.back()) == "desc" || lower_ascii(words.back()) == "asc")) {
            term.descending = lower_ascii(words.back()) == "desc";
            words.pop_back();
        }
        for (const std::string& w : words)
            term.expression += (term.expression.empty() ? "" : " ") + w;
        if (!term.expression.empty())
            terms.push_back(std::move(term));
        words.clear();
    };
    int depth = 0;
    for (size_t i = start; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Kind::Punct && t.text == "(")
            ++depth;
        else if (t.kind == Kind::Punct && t.text == ")")
            --depth;
        if (depth == 0 && t.kind == Kind::Punct && t.text == ",")
            close_term();
        else if (t.kind != Kind::Space)
            words.push_back(t.text);
    }
    close_term();
    return terms;
}

bool has_where(std::string_view sqlite_sql)
{
    int depth = 0;
    for (const Token& t : tokenize(sqlite_sql)) {
        if (t.kind == Kind::Punct && t.text == "(")
            ++depth;
        else if (t.kind == Kind::Punct && t.text == ")")
            --depth;
        else if (depth == 0 && is_word(t, "where"))
            return true;
    }
    return false;
}

std::string with_text_keys(std::string_view jet, const TextKeys& keys)
{
    if (keys.empty())
        return std::string(jet);
    const std::vector<Token> tokens = tokenize(jet);
    const auto text = [](const Token& t) { return t.kind == Kind::Literal ? jet_quote(t.value) : t.text; };
    const auto next = [&](size_t i) {
        while (++i < tokens.size() && tokens[i].kind == Kind::Space) {
        }
        return i;
    };
    std::string out;
    bool in_order = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (is_word(t, "by") && i >= 2 && is_word(tokens[i - 2], "order"))
            in_order = true;
        const auto key = t.kind == Kind::Word && !(i > 0 && tokens[i - 1].text == ".")
            ? keys.find(lower_ascii(t.text)) : keys.end();
        if (key == keys.end()) {
            out += text(t);
            continue;
        }
        if (in_order) {
            out += key->second;
            continue;
        }
        const size_t op = next(i);
        const size_t value = next(op);
        if (value >= tokens.size() || tokens[value].kind != Kind::Literal) {
            out += text(t);
            continue;
        }
        if (tokens[op].kind == Kind::Punct && (tokens[op].text == "=" || tokens[op].text == "<>")) {
            out += key->second + " " + tokens[op].text + " " + jet_quote(text_key(tokens[value].value));
            i = value;
        } else if (is_word(tokens[op], "like")) {
            // The pattern's leading plain letters bound a range of the key's index; the
            // pattern itself then decides.
            const std::string& pattern = tokens[value].value;
            const std::string prefix = text_key_prefix(
                pattern.substr(0, std::min(pattern.size(), pattern.find_first_of("*?#["))));
            if (prefix.empty()) {
                out += text(t);
                continue;
            }
            out += "(" + key->second + " >= " + jet_quote(prefix) + " and " + key->second + " < "
                + jet_quote(prefix + "\xF4\x8F\xBF\xBF") + " and " + t.text + " like "
                + jet_quote(pattern) + ")";
            i = value;
        } else {
            out += text(t);
        }
    }
    return out;
}

} // namespace platform
