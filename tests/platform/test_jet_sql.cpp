#include "platform/jet_sql.h"
#include "tests/support/helpers.h"

#include <gtest/gtest.h>
#include <chrono>
#include <random>
#include <regex>
#include <tuple>

using platform::jet_to_sqlite;

TEST(JetSql, TranslatesTheDialectQuotedTextWholeAndRefusesBrokenTexts)
{
    for (const std::string text : {"", "a\"b", "\"\"", "O'Brien", "x\" or \"1\"=\"1", "è"}) {
        SCOPED_TRACE(text);
        std::string expected = "nick = '";
        for (char c : text)
            expected += c == '\'' ? std::string("''") : std::string(1, c);
        EXPECT_EQ(jet_to_sqlite("nick = " + platform::jet_quote(text)), expected + "'");
    }
    const std::pair<const char*, const char*> cases[] = {
        {"select nick,id from qcontatti where nick = \"a\"\"b\" and id <> 0",
         "select nick,id from qcontatti where nick = 'a\"b' and id <> 0"},
        {"espr1 = True or espr1 = FALSE", "espr1 = -1 or espr1 = 0"},
        // A prefix or a whole text stays with SQLite's like (an index serves it).
        {"nick like \"ma*\"", "nick like 'ma%'"},
        // Every other wildcard goes to our matcher, which cannot backtrack.
        {"nick like \"*a*a*ab*\"", "(jet_like(nick, '*a*a*ab*'))"},
        {"nick not like \"[*]\"", "(not jet_like(nick, '[*]'))"},
        {"nick like \"50%*\"", "(jet_like(nick, '50%*'))"},
    };
    for (const auto& [jet, sqlite] : cases)
        EXPECT_EQ(jet_to_sqlite(jet), sqlite) << jet;
    for (const char* jet : {"nick = \"abc", "nick like \"ab\"c*\"", "like \"a*\"", "nick like",
                            "where like \"x\"", "nick = 'x"})
        EXPECT_EQ(testing_support::error_number([&] { jet_to_sqlite(jet); }), platform::errDatabase) << jet;
}

TEST(JetSql, TranslatesTheDialect)
{
    const std::pair<const char*, const char*> cases[] = {
        {"select nick from contatti where nick =\"nick\"", "select nick from contatti where nick ='nick'"},
        {"nick = 'it''s'", "nick = 'it''s'"},
        {"nick = \"true\"", "nick = 'true'"},
        {"t.true = 1", "t.true = 1"},
        {"upper(nick) like \"M*\"", "upper(nick) like 'M%'"},
        {"nick not like \"a*\"", "nick not like 'a%'"},
        {"nick like \"ma\"", "nick like 'ma'"},
        {"nome LIKE \"a?c*\"", "(jet_like(nome, 'a?c*'))"},
        {"t.email like \"*@example.com\"", "(jet_like(t.email, '*@example.com'))"},
        {"nick like \"#*\"", "(jet_like(nick, '#*'))"},
        {"nick like \"[!a-c]*\" and id > 2", "(jet_like(nick, '[!a-c]*')) and id > 2"},
        {"nick like \"a_b\"", "(jet_like(nick, 'a_b'))"},
        {"[nick] like \"[\"", "(jet_like([nick], '['))"},
        {"nick like nome", "(jet_like(nick, nome))"},
    };
    for (const auto& [jet, sqlite] : cases)
        EXPECT_EQ(jet_to_sqlite(jet), sqlite) << jet;
}

// Named cases, with what the reference below cannot tell: odd brackets, SQL's wildcards, letters beyond ASCII.
TEST(JetSql, PatternsMatchAsJetDoes)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"*", "", true}, {"*", "anything", true}, {"ma*", "MARIO", true}, {"ma*", "amaro", false},
        {"*io", "Mario", true}, {"*io", "Mariot", false}, {"*r*o", "mario", true}, {"?", "", false}, {"??", "a", false}, {"#", "7", true},
        {"#", "x", false}, {"[abc]", "B", true}, {"[abc]", "d", false}, {"[a-c]x", "bx", true}, {"[a-c]x", "dx", false},
        {"[!a-c]", "d", true}, {"[-z]", "-", true}, {"[*]", "a", false}, {"[#]", "1", false}, {"[", "[", true},
        {"]", "]", true}, {"%", "%", true}, {"_", "x", false}, {"a#b", "a12b", false}, {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYc d", false}, {"è*", "èra", true},
        {"?", "é", true}, {"[!a-c]", "B", false}, {"[a-]", "-", true}, {"[*]", "*", true}, {"[?]", "a", false},
        {"[[]*", "[x]", true}, {"[", "a", false}, {"[ab", "[AB", true}, {"[]a", "a", true}, {"%", "x", false},
        // Every letter's case is folded; an accent still makes another letter.
        {"È*", "èra", true}, {"ΣΟ*", "σοφία", true}, {"e*", "èra", false},
    };
    for (const auto& [pattern, value, match] : cases)
        EXPECT_EQ(platform::jet_like(value, pattern), match) << pattern << " ~ " << value;
}

TEST(JetSql, TellsSingleTableSelectsAndDropsTheirClosingOrder)
{
    for (const char* sql : {"select * from qcontatti order by punti desc, nick",
                            "select nick,id from qcontatti where nick = 'x' and id <> 0",
                            "select * from contatti where id in (select id from contatti where nick = 'a')"})
        EXPECT_TRUE(platform::is_single_table_select(sql)) << sql;
    for (const char* sql : {"select distinct nick from contatti", "select * from contatti, qcontatti",
                            "select * from contatti c join qcontatti q on c.id = q.id",
                            "select nick, count(*) from contatti group by nick", "select * from contatti limit 3",
                            "select * from (select * from contatti)",
                            "select * from contatti union select * from contatti", "update contatti set nick = 'x'"})
        EXPECT_FALSE(platform::is_single_table_select(sql)) << sql;
    using platform::without_order_by;   // only the closing order goes
    EXPECT_EQ(without_order_by("select * from qcontatti order by punti desc, nick"), "select * from qcontatti ");
    const std::string inner = "select * from qcontatti where nick = 'order by' "
                              "and id in (select id from contatti order by nick)";
    EXPECT_EQ(without_order_by(inner), inner);
}

namespace {

// An independent reading of the pattern rules for the alphabet the property test draws from.
std::regex as_regex(const std::string& pattern)
{
    std::string re;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '[') {
            re += c == '*' ? ".*" : c == '?' ? "." : c == '#' ? "[0-9]" : std::string(1, c);
            continue;
        }
        const size_t close = pattern.find(']', i);
        std::string list = pattern.substr(i + 1, close - i - 1);
        if (list[0] == '!')
            list[0] = '^';
        re += '[' + list + ']';
        i = close;
    }
    return std::regex(re, std::regex::icase);
}

} // namespace

TEST(JetSql, MatcherAgreesWithAReferenceAndStaysLinear)
{
    const char* pieces[] = {"a", "A", "b", "1", "*", "*", "?", "#", "[ab]", "[!a]", "[a-b]"};
    const std::string letters = "aAb1";
    std::mt19937 random(20261206);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 1500; ++round) {
        std::string pattern, value;
        for (int i = pick(7); i >= 0; --i)
            pattern += pieces[pick(11)];
        for (int i = pick(9); i > 0; --i)
            value += letters[static_cast<size_t>(pick(4))];
        ASSERT_EQ(platform::jet_like(value, pattern), std::regex_match(value, as_regex(pattern)))
            << pattern << " ~ " << value;
    }
    // The search appends "*"; a backtracking matcher takes minutes on these.
    using clock = std::chrono::steady_clock;
    const std::string long_nick(300, 'a');
    std::vector<std::string> patterns{"*a*a*a*a*ab*", "*a*a*a*a*a*a*a*a*a*a*a*ab"};
    for (int round = 0; round < 200; ++round) {
        std::string pattern;
        for (int i = pick(16); i >= 0; --i)
            pattern += pieces[pick(11)];
        patterns.push_back(pattern);
    }
    for (const std::string& pattern : patterns) {
        const auto start = clock::now();
        platform::jet_like(long_nick, pattern);
        EXPECT_LT(clock::now() - start, std::chrono::milliseconds(50)) << pattern;
    }
}
