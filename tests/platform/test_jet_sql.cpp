#include "platform/failure.h"
#include "platform/jet_sql.h"

#include <gtest/gtest.h>

using platform::jet_like;
using platform::jet_quote;
using platform::jet_to_sqlite;

TEST(JetSql, QuoteDoublesTheQuoteInside)
{
    EXPECT_EQ(jet_quote(""), "\"\"");
    EXPECT_EQ(jet_quote("mario"), "\"mario\"");
    EXPECT_EQ(jet_quote("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(jet_quote("O'Brien"), "\"O'Brien\"");
}

TEST(JetSql, QuotedTextSurvivesTheRoundTrip)
{
    for (const std::string text : {"", "a\"b", "\"\"", "O'Brien", "x\" or \"1\"=\"1", "è"}) {
        const std::string sql = jet_to_sqlite("nick = " + jet_quote(text));
        std::string expected = "nick = '";
        for (char c : text)
            expected += c == '\'' ? std::string("''") : std::string(1, c);
        EXPECT_EQ(sql, expected + "'") << text;
    }
}

TEST(JetSql, TranslatesTheDialect)
{
    struct Case {
        const char* jet;
        const char* sqlite;
    };
    const Case cases[] = {
        {"select * from qcontatti", "select * from qcontatti"},
        {"select nick,id from qcontatti where nick = \"a\"\"b\" and id <> 0",
         "select nick,id from qcontatti where nick = 'a\"b' and id <> 0"},
        {"select nick from contatti where nick =\"nick\"",
         "select nick from contatti where nick ='nick'"},
        {"nick = 'it''s'", "nick = 'it''s'"},
        {"espr1 = True or espr1 = FALSE", "espr1 = -1 or espr1 = 0"},
        {"nick = \"true\"", "nick = 'true'"},
        {"t.true = 1", "t.true = 1"},
        // Patterns SQLite's like says the same way stay with it (an index serves a prefix).
        {"nick like \"ma*\"", "nick like 'ma%'"},
        {"nome LIKE \"a?c*\"", "nome like 'a_c%'"},
        {"t.email like \"*@example.com\"", "t.email like '%@example.com'"},
        {"upper(nick) like \"M*\"", "upper(nick) like 'M%'"},
        {"nick not like \"a*\"", "nick not like 'a%'"},
        // The rest goes to Jet's own comparison.
        {"nick like \"#*\"", "(jet_like(nick, '#*'))"},
        {"nick like \"[!a-c]*\" and id > 2", "(jet_like(nick, '[!a-c]*')) and id > 2"},
        {"nick not like \"[*]\"", "(not jet_like(nick, '[*]'))"},
        {"nick like \"50%*\"", "(jet_like(nick, '50%*'))"},
        {"nick like \"a_b\"", "(jet_like(nick, 'a_b'))"},
        {"[nick] like \"[\"", "(jet_like([nick], '['))"},
        {"nick like nome", "(jet_like(nick, nome))"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jet_to_sqlite(c.jet), c.sqlite) << c.jet;
}

TEST(JetSql, RefusesBrokenTexts)
{
    for (const char* jet : {"nick = \"abc", "nick like \"ab\"c*\"", "like \"a*\"",
                            "nick like", "where like \"x\"", "nick = 'x"}) {
        try {
            jet_to_sqlite(jet);
            ADD_FAILURE() << jet;
        } catch (const platform::StepError& e) {
            EXPECT_EQ(e.number(), platform::errDatabase) << jet;
        }
    }
}

TEST(JetSql, PatternsMatchAsJetDoes)
{
    struct Case {
        const char* pattern;
        const char* value;
        bool match;
    };
    const Case cases[] = {
        {"*", "", true},          {"*", "anything", true},    {"ma*", "MARIO", true},
        {"ma*", "amaro", false},  {"*io", "Mario", true},     {"*io", "Mariot", false},
        {"*r*o", "mario", true},  {"a*b*c", "aXbYbZc", true}, {"a*b*c", "aXbYc d", false},
        {"?", "é", true},         {"?", "", false},           {"??", "a", false},
        {"m?rio", "mArio", true}, {"#", "7", true},           {"#", "x", false},
        {"a#b", "a1b", true},     {"a#b", "a12b", false},     {"[abc]", "B", true},
        {"[abc]", "d", false},    {"[a-c]x", "bx", true},     {"[a-c]x", "dx", false},
        {"[!a-c]", "d", true},    {"[!a-c]", "B", false},     {"[a-]", "-", true},
        {"[-z]", "-", true},      {"[*]", "*", true},         {"[*]", "a", false},
        {"[?]", "?", true},       {"[?]", "a", false},        {"[#]", "#", true},
        {"[#]", "1", false},      {"[[]*", "[x]", true},      {"[", "[", true},
        {"[", "a", false},        {"[ab", "[AB", true},       {"a[", "a[", true},
        {"]", "]", true},         {"[]a", "a", true},         {"%", "%", true},
        {"%", "x", false},        {"_", "x", false},          {"E*", "ecco", true},
        // Only the ASCII letters are folded: an accented capital stays another letter.
        {"è*", "èra", true},      {"È*", "èra", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jet_like(c.value, c.pattern), c.match) << c.pattern << " ~ " << c.value;
}

TEST(JetSql, TellsSingleTableSelects)
{
    struct Case {
        const char* sql;
        bool single;
    };
    const Case cases[] = {
        {"select * from qcontatti", true},
        {"select * from qcontatti order by punti desc, nick", true},
        {"select nick,id from qcontatti where nick = 'x' and id <> 0", true},
        {"select * from contatti where id in (select id from contatti where nick = 'a')", true},
        {"select distinct nick from contatti", false},
        {"select * from contatti, qcontatti", false},
        {"select * from contatti c join qcontatti q on c.id = q.id", false},
        {"select nick, count(*) from contatti group by nick", false},
        {"select * from contatti limit 3", false},
        {"select * from contatti union select * from contatti", false},
        {"select * from (select * from contatti)", false},
        {"update contatti set nick = 'x'", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::is_single_table_select(c.sql), c.single) << c.sql;
}

TEST(JetSql, DropsTheClosingOrderOnly)
{
    EXPECT_EQ(platform::without_order_by("select * from qcontatti order by punti desc, nick"),
              "select * from qcontatti ");
    EXPECT_EQ(platform::without_order_by("select * from qcontatti where nick = 'order by' "
                                         "and id in (select id from contatti order by nick)"),
              "select * from qcontatti where nick = 'order by' "
              "and id in (select id from contatti order by nick)");
}
