#include "platform/data_control.h"
#include "platform/jet_sql.h"
#include "platform/keyset_pager.h"
#include "tests/support/helpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <thread>

using namespace platform;
using testing_support::error_number;
using testing_support::RawBook;
using testing_support::read_file;

namespace {

// A book made from the shipped schema, holding the rows `insert` adds, with their keys.
void make_book(const std::string& path, const std::string& insert)
{
    {
        RawBook db(path);
        EXPECT_EQ(db.exec(read_file(TAVOLY_SOURCE_DIR "/resources/schema.sql") + insert), SQLITE_OK)
            << sqlite3_errmsg(db.db);
    }
    DataControl keys;
    keys.DatabaseName = path;
    testing_support::use_book_keys(keys);
}

const char* const kRows = R"(
insert into contatti (nick, nome, foto1, foto2, foto5, simpatia, punti) values
('mario', 'Mario Rossi', '', 'demo01.jpg', null, 3, 600), ('Anna', 'Anna Bianchi', null, null, null, 5, 1000),
('nick', 'Zeta Nick', 'x.jpg', null, null, 0, 0),         ('id', 'Alpha Id', null, null, null, 1, 200),
('bob', 'Mario Verdi', null, null, null, 3, 600),         ('Carla', 'carla', null, null, 'c.jpg', 2, 12.5);
)";

// Every row of the book as text, in the order of the ids.
std::string contents(const RawBook& book)
{
    std::string text;
    sqlite3_exec(book.db, "select * from contatti order by id",
                 [](void* out, int n, char** values, char**) {
                     for (int i = 0; i < n; ++i)
                         *static_cast<std::string*>(out) += std::string(values[i] ? values[i] : "<null>") + "|";
                     *static_cast<std::string*>(out) += "\n";
                     return 0;
                 },
                 &text, nullptr);
    return text;
}

std::string journal_mode(const RawBook& book)
{
    std::string mode;
    sqlite3_exec(book.db, "pragma journal_mode",
                 [](void* out, int, char** values, char**) {
                     *static_cast<std::string*>(out) = values[0] ? values[0] : "";
                     return 0;
                 },
                 &mode, nullptr);
    return mode;
}

class DataControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        make_book(path, kRows);
        Data1.DatabaseName = Data2.DatabaseName = path;
        for (DataControl* control : {&Data1, &Data2}) {
            book::describe(*control);
            control->RowCount.clear();   // the rows counted, as in a book that keeps no count
        }
    }
    Recordset& open(DataControl& control, const std::string& source)
    {
        control.RecordSource = source;
        control.Refresh();
        return control.recordset();
    }
    std::string text(const Recordset& rs, long position, const std::string& column)
    {
        return rs.value(position, rs.column_index(column)).value_or("<null>");
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath("contatti.mdb").toStdString();
    DataControl Data1;
    DataControl Data2;
};

TEST_F(DataControlTest, ReadsValuesAsTextAndMovesAmongTheRecords)
{
    int repositioned = 0;
    Data1.Reposition = [&] { ++repositioned; };
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    const std::tuple<long, const char*, const char*> cases[] = {
        {4, "punti", "600"}, {0, "punti", "1000"}, {2, "punti", "12.5"}, {4, "simpatia", "3"},
        {4, "id", "1"},      {4, "note", "<null>"}, {4, "foto1", ""},
        {4, "espr1", "-1"},  {0, "espr1", "0"},     {2, "espr1", "-1"},   // -1: a link in any slot
    };
    for (const auto& [row, column, expected] : cases)
        EXPECT_EQ(text(rs, row, column), expected) << row << " " << column;
    rs.MoveLast();
    EXPECT_EQ(rs.AbsolutePosition(), 5);
    EXPECT_EQ(rs.RecordCount(), 6);
    EXPECT_EQ(rs.Fields("nick"), FieldValue("nick"));
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields("nick"), FieldValue("Anna"));
    rs.FindFirst("nick like \"mario\"");
    rs.FindFirst("nick like \"nobody\"");
    EXPECT_EQ(rs.Fields("foto1"), std::nullopt);   // empty: Null
    EXPECT_EQ(rs.Fields("FOTO2"), FieldValue("demo01.jpg"));
    EXPECT_EQ(error_number([&] { rs.Fields("foto6"); }), 3265);
    rs.Move(0);   // the grid's own move
    EXPECT_EQ(repositioned, 3);
    Recordset& none = open(Data2, "select nick from contatti where nick = \"zorro\"");
    EXPECT_EQ(none.AbsolutePosition(), -1);
    EXPECT_EQ(none.RecordCount(), 0);
    EXPECT_EQ(error_number([&] { none.MoveLast(); }), errNoCurrentRecord);
    EXPECT_EQ(error_number([&] { none.Fields("nick"); }), errNoCurrentRecord);
}

// A German numeric locale from the user's environment would write "12,5", read back as 12.
TEST_F(DataControlTest, ADecimalReadsWithAPointWhateverTheNumericLocale)
{
    QTemporaryDir locales;
    const int built = QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8")});
    setenv("LOCPATH", locales.path().toLocal8Bit().constData(), 1);
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const bool german = built == 0 && std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    std::string value;
    if (german)
        value = text(open(Data1, "select * from qcontatti order by nick"), 2, "punti");
    std::setlocale(LC_NUMERIC, before.c_str());
    unsetenv("LOCPATH");
    if (!german)
        GTEST_SKIP() << "no German locale can be made here";
    EXPECT_EQ(value, "12.5");
}

TEST_F(DataControlTest, FindFirstTakesTheFirstMatchInTheCurrentOrder)
{
    const std::tuple<const char*, const char*, long long> cases[] = {   // the id found; 0: none
        {"select * from qcontatti", "nome like \"mario*\"", 1},
        {"select * from qcontatti order by nick", "nome like \"MARIO*\"", 5},
        {"select * from qcontatti order by punti desc, nick", "nome like \"mario*\"", 5},
        {"select * from qcontatti order by nick desc", "nick like \"[a-c]*\"", 6},
        {"select * from qcontatti", "nick like \"nick*\"", 3},   // a nick that is a column's name
        {"select * from qcontatti", "nick like \"ID*\"", 4},
        {"select * from qcontatti", "nick like \"[*]\"", 0},
        {"select nick,id from qcontatti where nick <> \"Anna\"", "nick like \"a*\"", 0},
        // Without ids the rows are searched as read; the bookmark is the position + 1.
        {"select nick from contatti order by nick desc", "nick like \"a*\"", 6},
    };
    for (const auto& [source, criterion, found] : cases) {
        SCOPED_TRACE(std::string(source) + " / " + criterion);
        Recordset& rs = open(Data1, source);
        rs.Move(-1);
        rs.FindFirst(criterion);
        EXPECT_EQ(rs.NoMatch(), found == 0);
        const long at = rs.AbsolutePosition();
        EXPECT_EQ(at < 0 ? 0 : rs.bookmark(at), found);
    }
    // A criterion that fails leaves no match behind, never the answer of the find before.
    Recordset& rs = open(Data1, "select * from qcontatti");
    rs.FindFirst("nick like \"bob*\"");
    ASSERT_FALSE(rs.NoMatch());
    EXPECT_EQ(error_number([&] { rs.FindFirst("nick like \"b\"ob*\""); }), errDatabase);
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.AbsolutePosition(), 4);
}

TEST_F(DataControlTest, AddNewAppendsARowAtTheEndOfTheOrder)
{
    int reloaded = 0;
    Data1.Reloaded = [&] { ++reloaded; };
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    rs.MoveLast();
    rs.AddNew();
    rs.SetField("nick", "Aldo");
    rs.SetField("NOME", std::string("Aldo \"il\" Grande"));
    rs.Update();
    EXPECT_EQ(reloaded, 2);
    EXPECT_EQ(rs.AbsolutePosition(), 5);   // the record current before AddNew
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 7);
    EXPECT_EQ(rs.Fields("nome"), FieldValue("Aldo \"il\" Grande"));
    EXPECT_EQ(rs.Fields("id"), FieldValue("7"));
    Data1.Refresh();   // in the file too, in its place
    EXPECT_EQ(Data1.recordset().bookmark(0), 7);
    EXPECT_EQ(error_number([&] { rs.Update(); }), 3020);
    EXPECT_EQ(error_number([&] { rs.SetField("nick", "x"); }), 3020);
}

TEST_F(DataControlTest, WritesTakeTextAndStoreNumbersInNumericColumns)
{
    Recordset& rs = open(Data1, "select * from qcontatti");
    const long long id = rs.insert_row({{"nick", "Zoe"}});
    const long last = rs.size() - 1;
    EXPECT_EQ(rs.bookmark(last), id);   // appended at the end
    const std::tuple<const char*, FieldValue, const char*, int> cases[] = {   // read nullptr: refused
        {"punti", " 12.5 ", "12.5", 0},
        {"punti", "0.333333333333333333", "0.333333333333333", 0},
        {"punti", "-1e20", "-1E+20", 0},
        {"punti", "", "<null>", 0},
        {"simpatia", "2.5", "2", 0},   // the nearest whole number, a half to even
        {"simpatia", "3.5", "4", 0},
        {"note", "", "", 0},
        {"simpatia", "tre", nullptr, errTypeMismatch},
        {"simpatia", "40000", nullptr, errDatabase},
        {"id", "99", nullptr, 3164},
        {"espr1", "0", nullptr, 3164},
        {"colore", "blu", nullptr, 3265},
    };
    for (const auto& [column, written, read, error] : cases) {
        SCOPED_TRACE(std::string(column) + " = " + written.value_or("<null>"));
        EXPECT_EQ(error_number([&, column = column, written = written] { rs.update_row(last, {{column, written}}); }),
                  error);
        if (read) {
            EXPECT_EQ(text(rs, last, column), read);
        }
    }
}

TEST_F(DataControlTest, ANickIsOneWhateverTheCaseOfItsLetters)
{
    std::vector<int> errors;
    Data1.Error = [&](int number, int& response) {
        errors.push_back(number);
        response = 0;
    };
    // The duplicate test as the program writes it.
    open(Data2, "select nick,id from qcontatti where nick = " + jet_quote("MARIO") + " and id <> 0");
    EXPECT_EQ(Data2.recordset().AbsolutePosition(), 0);
    Recordset& rs = open(Data1, "select * from qcontatti");
    EXPECT_THROW(rs.insert_row({{"nick", "MARIO"}}), StepError);
    EXPECT_THROW(rs.update_row(1, {{"nick", "Bob"}}), StepError);
    EXPECT_EQ(errors, (std::vector<int>{errDatabase, errDatabase}));
    EXPECT_EQ(rs.size(), 6);
    EXPECT_EQ(open(Data1, "select * from qcontatti").size(), 6);
}

TEST_F(DataControlTest, DeleteRemovesTheRowFromFileAndOrder)
{
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    rs.Move(2);   // Carla
    rs.delete_row(2);
    std::vector<long long> ids;
    for (long i = 0; i < rs.size(); ++i)
        ids.push_back(rs.bookmark(i));
    EXPECT_EQ(ids, (std::vector<long long>{2, 5, 4, 1, 3}));
    EXPECT_EQ(rs.AbsolutePosition(), 2);   // the next row takes its place
    rs.Move(4);
    rs.delete_row(4);
    EXPECT_EQ(rs.AbsolutePosition(), 3);   // the last gone: the one before
    EXPECT_EQ(open(Data2, "select nick from contatti where nick = \"Carla\"").size(), 0);
}

// One connection for both, even under a Windows-style name: a write shows in rows fetched before.
TEST_F(DataControlTest, ControlsOnOneFileShareOneConnection)
{
    Data2.DatabaseName = testing_support::windows_style(path);
    Recordset& rs1 = open(Data1, "select * from qcontatti");
    EXPECT_EQ(text(rs1, 0, "nome"), "Mario Rossi");
    open(Data2, "select * from qcontatti order by nick").update_row(4, {{"nome", "Mario Bruni"}});
    EXPECT_EQ(text(rs1, 0, "nome"), "Mario Bruni");
}

// A failed lookup must not answer with the last one's result; no source or criterion ever writes.
TEST_F(DataControlTest, AFailedRefreshLeavesNoRowsAndNoSourceWrites)
{
    int reloaded = 0;
    Data2.Reloaded = [&] { ++reloaded; };
    for (const char* source : {"select nick,id from qcontatti where nick = \"ma\"rio\" and id <> 0",
                               "delete from contatti", "select * from contatti; delete from contatti",
                               "update contatti set nick = 'x'"}) {
        SCOPED_TRACE(source);
        open(Data2, "select nick,id from qcontatti where nick = \"mario\" and id <> 0");
        reloaded = 0;
        EXPECT_EQ(error_number([&] { open(Data2, source); }), errDatabase);
        EXPECT_EQ(error_number([&] { Data2.recordset(); }), 91);
        EXPECT_EQ(reloaded, 1);
    }
    Recordset& rs = open(Data1, "select * from qcontatti");
    EXPECT_EQ(error_number([&] { rs.FindFirst("nick = \"a\"; delete from contatti"); }), errDatabase);
    EXPECT_EQ(open(Data1, "select * from qcontatti").size(), 6);
}

// The ids of a whole order as SQLite itself gives them, ties broken by id.
std::vector<long long> ids_in_order(const std::string& path, const std::string& order)
{
    RawBook db(path);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.db, ("select id from qcontatti order by " + order + ", id").c_str(), -1, &stmt, nullptr);
    std::vector<long long> ids;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return ids;
}

std::vector<long long> ids_where(const std::string& path, const std::string& condition)
{
    RawBook db(path);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.db, ("select id from qcontatti where " + condition).c_str(), -1, &stmt, nullptr);
    std::vector<long long> ids;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return ids;
}

// However a windowed row is reached (jumps, runs of equal values and Nulls, writes from here and
// from another program), it is the row SQLite's own order puts there.
TEST_F(DataControlTest, EveryRowOfALongOrderIsFoundWhereverTheGridJumps)
{
    const std::string big = dir.filePath("big.mdb").toStdString();
    make_book(big, "with recursive n(i) as (select 1 union all select i + 1 from n where i < 1500) "
                   "insert into contatti (nick, nome, simpatia, punti, foto1) select printf('n%04d', i), "
                   "case when i % 5 = 0 then null else 'name' || (i % 37) end, "
                   "case when i % 11 = 0 then null else i % 4 end, (i % 9) * 40.0, "
                   "case when i % 3 = 0 then 'x.jpg' else '' end from n;");
    Data1.DatabaseName = big;
    const std::string orders[] = {"nick", "nome desc", "simpatia desc, nick", "espr1, nick", "nome"};
    const long jumps[] = {750, 1499, 3, 1200, 751, 16, 15, 17, 600, 1000, 0, 1498, 64, 63, 65, 1100, 333};
    auto check = [&](Recordset& rs, const std::vector<long long>& expected) {
        ASSERT_EQ(rs.size(), static_cast<long>(expected.size()));
        for (long at : jumps) {
            if (at < rs.size()) {
                EXPECT_EQ(rs.bookmark(at), expected[static_cast<size_t>(at)]) << "row " << at;
            }
        }
    };
    for (const std::string& order : orders) {
        SCOPED_TRACE(order);
        const std::string sqlite_order = std::regex_replace(order, std::regex("nick|nome"), "chiave_$&");
        Recordset& rs = open(Data1, std::string("select * from qcontatti order by ") + order);
        std::vector<long long> expected = ids_in_order(big, sqlite_order);
        check(rs, expected);
        check(open(Data1, std::string("select * from qcontatti order by ") + order), expected);
        rs.delete_row(700);                          // the rows after it move up
        expected.erase(expected.begin() + 700);
        check(rs, expected);
        rs.update_row(100, {{"nome", "zzz"}, {"simpatia", "9"}});   // keeps its place
        check(rs, expected);
        EXPECT_EQ(RawBook(big).exec("delete from contatti where id = (select min(id) from contatti)"),
                  SQLITE_OK);   // another program deletes a row
        check(open(Data1, std::string("select * from qcontatti order by ") + order), ids_in_order(big, sqlite_order));
    }
    Recordset& rs = open(Data1, "select * from qcontatti order by nick desc");
    rs.FindFirst("punti = 320 and nick like \"n09*\"");
    EXPECT_EQ(text(rs, rs.AbsolutePosition(), "nick"), "n0998");
}

// The values read are the rows' own on both sides of each window's edge, and a write shows in a
// window read before it.
TEST_F(DataControlTest, FetchesRowsByPageAcrossABigBook)
{
    const std::string big = dir.filePath("big.mdb").toStdString();
    make_book(big, "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
                   "insert into contatti (nick, punti) select printf('n%03d', i), i % 7 from n;");
    Data1.DatabaseName = big;
    Recordset& rs = open(Data1, "select * from qcontatti order by nick desc");
    ASSERT_EQ(rs.size(), 300);
    const long window = kPageRows;
    for (long position : {0L, window - 1, window, 2 * window - 1, 2 * window, 127L, 128L, 255L, 256L, 299L}) {
        char nick[24];
        std::snprintf(nick, sizeof nick, "n%03ld", 300 - position);
        EXPECT_EQ(text(rs, position, "nick"), nick);
    }
    EXPECT_EQ(text(rs, 200, "nome"), "<null>");   // its window is read before the write
    rs.update_row(200, {{"nome", "scritto"}});
    EXPECT_EQ(text(rs, 200, "nome"), "scritto");
    rs.FindFirst("punti = 6 and nick like \"n0*\"");
    EXPECT_EQ(text(rs, rs.AbsolutePosition(), "nick"), "n097");
}

// Each file that is not the book under this key is refused with its reason and left byte for byte;
// a missing book is not created.
// A find is placed by the nearest signpost before its match, once the idle walk has put them
// in, or by a count from the start before; a search an index serves and one that reads the
// whole table agree with SQLite's own order.
TEST_F(DataControlTest, AFindIsPlacedWhereTheOrderPutsItsFirstMatchBeforeAndAfterTheSignposts)
{
    const std::string big = dir.filePath("big.mdb").toStdString();
    make_book(big, "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                   "insert into contatti (nick, nome, simpatia, foto1) select printf('n%04d', (i * 7) % 3001), "
                   "case when i % 5 = 0 then null else 'name' || (i % 37) end, "
                   "case when i % 11 = 0 then null else i % 4 end, "
                   "case when i % 3 = 0 then 'x.jpg' else '' end from n;");
    Data1.DatabaseName = big;
    // Each criterion beside the same condition in SQLite's words.
    const std::pair<const char*, const char*> finds[] = {
        {"nick like \"n2*\"", "nick like 'n2%'"},          {"nick like \"*99*\"", "nick like '%99%'"},
        {"nome like \"*me3*\"", "nome like '%me3%'"},      {"nick like \"n0001*\"", "nick like 'n0001%'"},
        {"nome like \"name36*\"", "nome like 'name36%'"},
    };
    for (const std::string order : {"nick", "nome desc", "simpatia desc, nick", "espr1, nick"}) {
        SCOPED_TRACE(order);
        const std::string sqlite_order = std::regex_replace(order, std::regex("nick|nome"), "chiave_$&");
        const std::vector<long long> expected = ids_in_order(big, sqlite_order);
        Recordset& rs = open(Data1, "select * from qcontatti order by " + order);
        for (const bool signposted : {false, true}) {
            if (signposted) {
                QElapsedTimer idle;
                idle.start();
                while (idle.elapsed() < 300)
                    QCoreApplication::processEvents();
            }
            for (const auto& [criterion, condition] : finds) {
                const std::vector<long long> hits = ids_where(big, condition);
                long first = -1;
                for (size_t at = 0; first < 0 && at < expected.size(); ++at)
                    if (std::find(hits.begin(), hits.end(), expected[at]) != hits.end())
                        first = static_cast<long>(at);
                rs.FindFirst(criterion);
                EXPECT_EQ(rs.AbsolutePosition(), first) << criterion << (signposted ? " signposted" : "");
            }
        }
    }
}

// Several criteria at once: the first one that any row meets decides, and its first row in the
// order is found, whether the book is read once for all of them (a leading wildcard) or each
// goes through its index, and whether that row was written since the list was read.
TEST_F(DataControlTest, AFindOfSeveralCriteriaTakesTheFirstThatAnyRowMeets)
{
    const std::string big = dir.filePath("big.mdb").toStdString();
    make_book(big, "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                   "insert into contatti (nick, nome, simpatia) select printf('n%04d', (i * 7) % 3001), "
                   "'name' || (i % 37), i % 4 from n;");
    Data1.DatabaseName = big;
    using Criteria = std::vector<std::pair<std::string, std::string>>;   // criterion, in SQLite's words
    const Criteria finds[] = {
        {{"nick like \"*zz*\"", "nick like '%zz%'"}, {"nome like \"*me3*\"", "nome like '%me3%'"},
         {"nick like \"*99*\"", "nick like '%99%'"}},
        {{"nick like \"*99*\"", "nick like '%99%'"}, {"nome like \"*me3*\"", "nome like '%me3%'"}},
        {{"nick like \"zz*\"", "nick like 'zz%'"}, {"nome like \"name36*\"", "nome like 'name36%'"}},
        {{"nick like \"n2*\"", "nick like 'n2%'"}, {"nome like \"name36*\"", "nome like 'name36%'"}},
        {{"nick like \"*zz*\"", "nick like '%zz%'"}, {"nome like \"*zz*\"", "nome like '%zz%'"}},
    };
    for (const std::string order : {"nick", "simpatia desc, nick"}) {
        SCOPED_TRACE(order);
        const std::vector<long long> expected = ids_in_order(big, std::regex_replace(order, std::regex("nick"), "chiave_nick"));
        Recordset& rs = open(Data1, "select * from qcontatti order by " + order);
        for (const Criteria& criteria : finds) {
            long first = -1;
            std::vector<std::string> asked;
            for (const auto& [criterion, condition] : criteria) {
                asked.push_back(criterion);
                const std::vector<long long> hits = ids_where(big, condition);
                for (size_t at = 0; first < 0 && at < expected.size(); ++at)
                    if (std::find(hits.begin(), hits.end(), expected[at]) != hits.end())
                        first = static_cast<long>(at);
            }
            rs.FindFirstOf(asked);
            EXPECT_EQ(rs.NoMatch(), first < 0) << asked.front();
            if (first >= 0) {
                EXPECT_EQ(rs.AbsolutePosition(), first) << asked.front();
            }
        }
    }
    // Rows written since the list was read keep their places: a row added at the end meeting
    // the first criterion comes before every row meeting only the second.
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    rs.update_row(10, {{"nome", "zzedited"}});
    rs.insert_row({{"nick", "zzadded"}});
    rs.FindFirstOf({"nick like \"*zz*\"", "nome like \"*zz*\""});
    EXPECT_EQ(rs.AbsolutePosition(), rs.size() - 1);
    rs.FindFirstOf({"nick like \"*qq*\"", "nome like \"*zz*\""});
    EXPECT_EQ(rs.AbsolutePosition(), 10);
    rs.FindFirstOf({"nick like \"*qq*\"", "nick like \"*zz*\" or nome like \"*zz*\""});
    EXPECT_EQ(rs.AbsolutePosition(), 10);
}

TEST_F(DataControlTest, ABookThatCannotBeOpenedIsRefusedWithItsReasonAndLeftAsItWas)
{
    const std::string big = dir.filePath("big.mdb").toStdString();
    make_book(big, "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
                   "insert into contatti (nick, note) select 'n' || i, hex(randomblob(150)) from n;");
    const std::string book = read_file(big);
    ASSERT_GT(book.size(), 40000u);
    const std::string plain = dir.filePath("plain.mdb").toStdString();
    sqlite3* db = nullptr;
    sqlite3_open(plain.c_str(), &db);
    sqlite3_exec(db, "create table contatti (nick text)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::string first_page_hit = book;
    first_page_hit[500] = static_cast<char>(~first_page_hit[500]);
    const std::string other = dir.filePath("other.mdb").toStdString();
    const std::tuple<const char*, std::optional<std::string>, int> cases[] = {   // bytes for `other`
        {";PWD=quorvento", {}, errBadPassword},
        {";PWD=", {}, errBadPassword},
        {";pwd=QUORVENT", {}, errBadPassword},
        {";PWD=quorvent", "nick;nome\nmario;Mario\n", errUnrecognizedFormat},
        {";PWD=quorvent", "", errUnrecognizedFormat},
        {";PWD=quorvent", read_file(plain), errUnrecognizedFormat},
        {";PWD=quorvent", std::string(4096, 'x'), errBadPassword},   // as good as another key's book
        {";PWD=quorvent", book.substr(0, book.size() - 10 * 1024), errDamaged},
        {";PWD=quorvent", book.substr(0, book.size() - 100), errDamaged},
        {";PWD=quorvent", book + std::string(512, '\0'), errDamaged},
        // Encrypted, a damaged first page reads as another key's book.
        {";PWD=quorvent", first_page_hit, errBadPassword},
    };
    for (const auto& [connect, bytes, error] : cases) {
        const std::string name = bytes ? other : path;
        SCOPED_TRACE(name + connect + " " + std::to_string(bytes ? bytes->size() : 0));
        if (bytes)
            testing_support::write_file(QString::fromStdString(other), *bytes);
        const std::string before = read_file(name);
        Data2.DatabaseName = name;
        Data2.Connect = connect;
        EXPECT_EQ(error_number([&] { open(Data2, "select * from qcontatti"); }), error);
        EXPECT_EQ(error_number([&] { Data2.recordset(); }), 91);
        EXPECT_EQ(read_file(name), before);
        EXPECT_FALSE(std::filesystem::exists(name + "-journal"));
    }
    Data1.DatabaseName = big;
    EXPECT_EQ(open(Data1, "select * from qcontatti").size(), 300);   // the whole book still opens
    Data1.DatabaseName = dir.filePath("missing.mdb").toStdString();
    EXPECT_EQ(error_number([&] { Data1.Refresh(); }), errFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(Data1.DatabaseName));
}

// Another program's lock is waited for a while, then raised as "in use" / "locked".
TEST_F(DataControlTest, ALockHeldByAnotherProgramIsWaitedForThenReported)
{
    RawBook other(path);
    const std::string before = contents(other);
    set_lock_wait(100);
    {
        DataControl data;
        data.DatabaseName = path;
        data.Connect = book::connect();
        data.KeyField = "id";
        std::vector<int> raised;
        data.Error = [&](int number, int&) { raised.push_back(number); };
        ASSERT_EQ(other.exec("begin exclusive"), SQLITE_OK);
        EXPECT_EQ(error_number([&] { open(data, "select * from qcontatti"); }), errFileInUse);
        EXPECT_EQ(raised, std::vector<int>{errFileInUse});
        other.exec("commit");
        Recordset& rs = open(data, "select * from qcontatti");
        other.exec("begin exclusive");
        EXPECT_EQ(error_number([&] { rs.update_row(0, {{"nome", "x"}}); }), errLocked);
        EXPECT_EQ(raised.back(), errLocked);
        other.exec("commit");
        EXPECT_EQ(contents(other), before);
    }
    set_lock_wait(3000);   // a lock let go within the wait is no failure
    other.exec("begin exclusive");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.exec("commit");
    });
    EXPECT_EQ(error_number([&] { open(Data1, "select * from qcontatti").update_row(0, {{"nome", "y"}}); }), 0);
    release.join();
    EXPECT_EQ(text(open(Data2, "select * from qcontatti"), 0, "nome"), "y");
}

// The opens of one start (the upgrade's probe, its two tries, the list) wait for another
// program's lock once, not once each.
TEST_F(DataControlTest, ALockHeldByAnotherProgramIsWaitedForOnceByTheOpensThatFollow)
{
    RawBook other(path);
    set_lock_wait(1000);
    ASSERT_EQ(other.exec("begin exclusive"), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(error_number([&] { Data1.Execute("select chiave_nick from contatti limit 0"); }), errFileInUse);
    EXPECT_EQ(error_number([&] { Data1.Execute("select 1"); }), errFileInUse);
    EXPECT_EQ(error_number([&] { open(Data2, "select * from qcontatti"); }), errFileInUse);
    const auto waited = std::chrono::steady_clock::now() - start;
    other.exec("commit");
    set_lock_wait(3000);
    EXPECT_GE(waited, std::chrono::milliseconds(900));    // the one wait
    EXPECT_LT(waited, std::chrono::milliseconds(2500));   // three would take 3 s
    EXPECT_EQ(text(open(Data1, "select * from qcontatti order by nick"), 0, "nick"), "Anna");
}

// While the program runs the book is written through a log beside it; when it ends the log is
// in the book, and the book alone holds every row.
TEST_F(DataControlTest, TheBookAloneHoldsEveryRowOnceTheControlsAreGone)
{
    {
        DataControl data;
        data.Connect = book::connect();
        data.DatabaseName = path;
        data.KeyField = "id";
        data.RecordSource = "select * from qcontatti";
        data.Refresh();
        data.recordset().insert_row({{"nick", "logged"}});
        EXPECT_EQ(journal_mode(RawBook(path)), "wal");
    }
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    const std::string copy = dir.filePath("copy.mdb").toStdString();
    std::filesystem::copy_file(path, copy);
    RawBook book(copy);
    EXPECT_EQ(journal_mode(book), "delete");
    EXPECT_NE(contents(book).find("\nlogged|"), std::string::npos);
}

// A program killed while it ran leaves its log beside the book: the next open puts it into
// the book and every committed row is there.
TEST_F(DataControlTest, ABookLeftWithALogByAKilledProgramOpensWithEveryRow)
{
    const std::string killed = dir.filePath("killed.mdb").toStdString();
    {
        Recordset& rs = open(Data1, "select * from qcontatti");
        for (int i = 0; i < 300; ++i)   // enough rows for the book to grow past its file
            rs.insert_row({{"nick", "row " + std::to_string(i)}, {"note", std::string(200, 'n')}});
        std::filesystem::copy_file(path, killed);
        std::filesystem::copy_file(path + "-wal", killed + "-wal");
    }
    DataControl after;
    after.Connect = book::connect();
    after.DatabaseName = killed;
    after.KeyField = "id";
    EXPECT_EQ(open(after, "select * from qcontatti").size(), 306);
    RawBook book(killed);
    EXPECT_NE(contents(book).find("\nrow 299|"), std::string::npos);
    int ok = 0;
    sqlite3_exec(book.db, "pragma integrity_check",
                 [](void* out, int, char** values, char**) {
                     *static_cast<int*>(out) += std::string(values[0]) == "ok";
                     return 0;
                 },
                 &ok, nullptr);
    EXPECT_EQ(ok, 1);
}

} // namespace
