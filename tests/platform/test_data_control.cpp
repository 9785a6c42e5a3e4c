#include "platform/data_control.h"
#include "platform/failure.h"
#include "platform/jet_sql.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using platform::DataControl;
using platform::FieldValue;
using platform::Recordset;
using platform::StepError;

namespace {

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

// A book made from the shipped schema, holding `rows` (SQL), under `key`.
void make_book(const std::string& path, const std::string& rows, const std::string& key = "quorvent")
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    sqlite3_key(db, key.data(), static_cast<int>(key.size()));
    exec(db, read_file(TAVOLY_SOURCE_DIR "/resources/schema.sql"));
    exec(db, rows);
    sqlite3_close(db);
}

const char* const kRows = R"(
insert into contatti (nick, nome, email, foto1, foto2, foto5,
                      simpatia, bellezza, intelligenza, affinita, cultura, punti) values
('mario', 'Mario Rossi', 'mario@example.com', '', 'demo01.jpg', null, 3, 4, 2, 1, 5, 600),
('Anna', 'Anna Bianchi', 'anna@example.org', null, null, null, 5, 5, 5, 5, 5, 1000),
('nick', 'Zeta Nick', 'z@example.com', 'x.jpg', null, null, 0, 0, 0, 0, 0, 0),
('id', 'Alpha Id', 'id@example.com', null, null, null, 1, 1, 1, 1, 1, 200),
('bob', 'Mario Verdi', 'bob@example.com', null, null, null, 3, 0, 0, 0, 0, 600),
('Carla', 'carla', 'carla@example.org', null, null, 'c.jpg', 2, 2, 2, 2, 2, 12.5);
)";

std::vector<long long> order(const Recordset& rs)
{
    std::vector<long long> ids;
    for (long i = 0; i < rs.size(); ++i)
        ids.push_back(rs.bookmark(i));
    return ids;
}

int error_of(const std::function<void()>& step)
{
    try {
        step();
    } catch (const StepError& e) {
        return e.number();
    }
    return 0;
}

// Descriptors of this process open on `path`.
int open_descriptors(const std::string& path)
{
    namespace fs = std::filesystem;
    int count = 0;
    const fs::path target = fs::canonical(path);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(entry.path(), ec) == target)
            ++count;
    }
    return count;
}

class DataControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("contatti.mdb").toStdString();
        make_book(path, kRows);
        Data1.DatabaseName = path;
        Data2.DatabaseName = path;
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
    std::string path;
    DataControl Data1;
    DataControl Data2;
};

TEST_F(DataControlTest, ReadsValuesAsTheOldRuntimeShowsThem)
{
    Recordset& rs = open(Data1, "select * from qcontatti");
    ASSERT_EQ(rs.size(), 6);
    EXPECT_EQ(rs.columns(),
              (std::vector<std::string>{"nick", "nome", "note", "email", "foto1", "foto2", "foto3",
                                        "foto4", "foto5", "simpatia", "bellezza", "intelligenza",
                                        "affinita", "cultura", "punti", "id", "espr1"}));
    EXPECT_EQ(text(rs, 0, "punti"), "600");
    EXPECT_EQ(text(rs, 1, "punti"), "1000");
    EXPECT_EQ(text(rs, 5, "punti"), "12.5");
    EXPECT_EQ(text(rs, 0, "simpatia"), "3");
    EXPECT_EQ(text(rs, 0, "id"), "1");
    EXPECT_EQ(text(rs, 0, "note"), "<null>");
    EXPECT_EQ(text(rs, 0, "foto1"), "");
    // espr1 is true (-1) for any photo link, in whichever slot.
    EXPECT_EQ(text(rs, 0, "espr1"), "-1");
    EXPECT_EQ(text(rs, 1, "espr1"), "0");
    EXPECT_EQ(text(rs, 5, "espr1"), "-1");

    // Fields reads the current record; an empty field is Null.
    EXPECT_EQ(rs.AbsolutePosition(), 0);
    EXPECT_EQ(rs.Fields("foto1"), std::nullopt);
    EXPECT_EQ(rs.Fields("foto2"), FieldValue("demo01.jpg"));
    EXPECT_EQ(rs.Fields("FOTO3"), std::nullopt);
    EXPECT_EQ(error_of([&] { rs.Fields("foto6"); }), 3265);
}

TEST_F(DataControlTest, SortOrdersIgnoreLetterCaseAndRefreshKeepsThem)
{
    struct Case {
        const char* source;
        std::vector<long long> ids;
    };
    const Case cases[] = {
        {"select * from qcontatti", {1, 2, 3, 4, 5, 6}},
        {"select * from qcontatti order by nick", {2, 5, 6, 4, 1, 3}},
        {"select * from qcontatti order by nome", {4, 2, 6, 1, 5, 3}},
        {"select * from qcontatti order by punti desc, nick", {2, 5, 1, 4, 6, 3}},
        {"select * from qcontatti order by simpatia desc, nick", {2, 5, 1, 6, 4, 3}},
        {"select * from qcontatti order by espr1 desc, nick", {2, 5, 4, 6, 1, 3}},
        {"select * from qContatti order by espr1, nick", {6, 1, 3, 2, 5, 4}},
    };
    for (const Case& c : cases) {
        Recordset& rs = open(Data1, c.source);
        EXPECT_EQ(order(rs), c.ids) << c.source;
        EXPECT_EQ(rs.AbsolutePosition(), 0) << c.source;
        Data1.Refresh();
        EXPECT_EQ(order(Data1.recordset()), c.ids) << c.source;
    }
}

TEST_F(DataControlTest, FindFirstTakesTheFirstMatchInTheCurrentOrder)
{
    struct Case {
        const char* source;
        const char* criterion;
        long long found;  // 0: no match
    };
    const Case cases[] = {
        {"select * from qcontatti", "nome like \"mario*\"", 1},
        {"select * from qcontatti order by nick", "nome like \"MARIO*\"", 5},
        {"select * from qcontatti order by punti desc, nick", "nome like \"mario*\"", 5},
        {"select * from qcontatti order by nome", "nome like \"mario*\"", 1},
        // Nicks that are column names are values inside the literal.
        {"select * from qcontatti", "nick like \"nick*\"", 3},
        {"select * from qcontatti", "nick like \"ID*\"", 4},
        {"select * from qcontatti", "email like \"*.org\"", 2},
        {"select * from qcontatti order by nick desc", "nick like \"[a-c]*\"", 6},
        {"select * from qcontatti", "nick like \"?ob\"", 5},
        {"select * from qcontatti", "nick like \"zz*\"", 0},
        {"select * from qcontatti", "nick like \"[*]\"", 0},
        {"select nick,id from qcontatti where nick <> \"Anna\"", "nick like \"a*\"", 0},
        {"select nick from contatti order by nick desc", "nick like \"a*\"", 6},
    };
    for (const Case& c : cases) {
        Recordset& rs = open(Data1, c.source);
        rs.Move(-1);
        rs.FindFirst(c.criterion);
        EXPECT_EQ(rs.NoMatch(), c.found == 0) << c.criterion;
        if (c.found != 0) {
            EXPECT_EQ(rs.bookmark(rs.AbsolutePosition()), c.found) << c.source << " / " << c.criterion;
        } else {
            EXPECT_EQ(rs.AbsolutePosition(), -1) << c.criterion;
        }
    }
}

TEST_F(DataControlTest, AFailedFindLeavesNoMatch)
{
    Recordset& rs = open(Data1, "select * from qcontatti");
    rs.FindFirst("nick like \"bob*\"");
    ASSERT_FALSE(rs.NoMatch());
    const long position = rs.AbsolutePosition();
    // A search text with a double quote makes the criterion invalid.
    EXPECT_EQ(error_of([&] { rs.FindFirst("nick like \"b\"ob*\""); }), platform::errDatabase);
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.AbsolutePosition(), position);
}

TEST_F(DataControlTest, EmptyResultHasNoCurrentRecord)
{
    Recordset& rs = open(Data2, "select nick from contatti where nick =\"zorro\"");
    EXPECT_EQ(rs.AbsolutePosition(), -1);
    EXPECT_EQ(rs.size(), 0);
    EXPECT_EQ(error_of([&] { rs.MoveLast(); }), platform::errNoCurrentRecord);
    EXPECT_EQ(error_of([&] { rs.Fields("nick"); }), platform::errNoCurrentRecord);
}

TEST_F(DataControlTest, LookupsCompareWithoutRegardToCase)
{
    // The duplicate test and the imports' existence test, as the program writes them.
    Recordset& rs = open(Data2, "select nick,id from qcontatti where nick = "
                                    + platform::jet_quote("MARIO") + " and id <> 0");
    EXPECT_EQ(rs.AbsolutePosition(), 0);
    open(Data2, "select nick,id from qcontatti where nick = \"Mario\" and id <> 1");
    EXPECT_EQ(Data2.recordset().AbsolutePosition(), -1);
    open(Data2, "select nick from contatti where nick =\"NICK\"");
    EXPECT_EQ(Data2.recordset().AbsolutePosition(), 0);
    EXPECT_EQ(Data2.recordset().value(0, 0), FieldValue("nick"));
}

TEST_F(DataControlTest, MoveLastAndRecordCount)
{
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    rs.MoveLast();
    EXPECT_EQ(rs.AbsolutePosition(), 5);
    EXPECT_EQ(rs.RecordCount(), 6);
    EXPECT_EQ(rs.Fields("nick"), FieldValue("nick"));
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields("nick"), FieldValue("Anna"));
}

TEST_F(DataControlTest, AddNewAppendsARowAtTheEndOfTheOrder)
{
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    rs.MoveLast();
    rs.AddNew();
    rs.SetField("nick", "Aldo");
    rs.SetField("note", "Categoria amici");
    rs.SetField("nome", std::string("Aldo \"il\" Grande"));
    rs.SetField("email", "aldo@example.com");
    rs.Update();
    EXPECT_EQ(rs.AbsolutePosition(), 5);  // the record current before AddNew
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 7);
    EXPECT_EQ(rs.Fields("nick"), FieldValue("Aldo"));
    EXPECT_EQ(rs.Fields("nome"), FieldValue("Aldo \"il\" Grande"));
    EXPECT_EQ(rs.Fields("id"), FieldValue("7"));
    EXPECT_EQ(rs.Fields("espr1"), FieldValue("0"));

    // In the file too, and in its place after a Refresh.
    Data1.Refresh();
    EXPECT_EQ(Data1.recordset().bookmark(0), 7);
    EXPECT_EQ(error_of([&] { Data1.recordset().Update(); }), 3020);
    EXPECT_EQ(error_of([&] { Data1.recordset().SetField("nick", "x"); }), 3020);
}

TEST_F(DataControlTest, WritesConvertTextForNumericColumns)
{
    Recordset& rs = open(Data1, "select * from qcontatti");
    const long long id = rs.insert_row({{"nick", "Zoe"}, {"simpatia", "4"}, {"punti", " 12.5 "}});
    const long last = rs.size() - 1;
    EXPECT_EQ(rs.bookmark(last), id);
    EXPECT_EQ(text(rs, last, "simpatia"), "4");
    EXPECT_EQ(text(rs, last, "punti"), "12.5");
    EXPECT_EQ(text(rs, last, "bellezza"), "<null>");

    struct Case {
        const char* column;
        FieldValue written;
        const char* read;  // nullptr: refused with `error`
        int error;
    };
    const Case cases[] = {
        {"punti", "640", "640", 0},
        {"punti", "0.333333333333333333", "0.333333333333333", 0},
        {"punti", "-1e20", "-1E+20", 0},
        {"punti", "", "<null>", 0},
        {"simpatia", "2.5", "2", 0},
        {"simpatia", "3.5", "4", 0},
        {"simpatia", std::nullopt, "<null>", 0},
        {"note", "", "", 0},
        {"note", "40", "40", 0},
        {"simpatia", "tre", nullptr, platform::errTypeMismatch},
        {"simpatia", "40000", nullptr, platform::errDatabase},
        {"id", "99", nullptr, 3164},
        {"espr1", "0", nullptr, 3164},
        {"colore", "blu", nullptr, 3265},
    };
    for (const Case& c : cases) {
        const int error = error_of([&] { rs.update_row(last, {{c.column, c.written}}); });
        EXPECT_EQ(error, c.error) << c.column << " = " << c.written.value_or("<null>");
        if (c.read) {
            EXPECT_EQ(text(rs, last, c.column), c.read) << c.column;
        }
    }
}

TEST_F(DataControlTest, NickIsUniqueWithoutRegardToCase)
{
    Recordset& rs = open(Data1, "select * from qcontatti");
    EXPECT_EQ(error_of([&] { rs.insert_row({{"nick", "MARIO"}}); }), platform::errDatabase);
    EXPECT_EQ(error_of([&] { rs.update_row(1, {{"nick", "Bob"}}); }), platform::errDatabase);
    EXPECT_EQ(rs.size(), 6);
    Data1.Refresh();
    EXPECT_EQ(Data1.recordset().size(), 6);
}

TEST_F(DataControlTest, DeleteRemovesTheRowFromFileAndOrder)
{
    Recordset& rs = open(Data1, "select * from qcontatti order by nick");
    rs.Move(2);  // Carla
    rs.delete_row(2);
    EXPECT_EQ(order(rs), (std::vector<long long>{2, 5, 4, 1, 3}));
    EXPECT_EQ(rs.AbsolutePosition(), 2);  // the next row takes its place
    rs.Move(4);
    rs.delete_row(4);
    EXPECT_EQ(rs.AbsolutePosition(), 3);
    open(Data2, "select nick from contatti where nick =\"Carla\"");
    EXPECT_EQ(Data2.recordset().AbsolutePosition(), -1);
}

TEST_F(DataControlTest, BothControlsShareOneOpenFile)
{
    open(Data1, "select * from qcontatti");
    open(Data2, "select nick from contatti");
    EXPECT_EQ(open_descriptors(path), 1);
    Data1.Refresh();
    Data2.Refresh();
    EXPECT_EQ(open_descriptors(path), 1);

    // A write through one is seen by the other, even in rows it fetched before.
    Recordset& rs1 = Data1.recordset();
    EXPECT_EQ(text(rs1, 0, "nome"), "Mario Rossi");
    open(Data2, "select * from qcontatti order by nick");
    Data2.recordset().update_row(4, {{"nome", "Mario Bruni"}});
    EXPECT_EQ(text(rs1, 0, "nome"), "Mario Bruni");
}

TEST_F(DataControlTest, TheFileClosesWithTheLastControl)
{
    {
        DataControl other;
        other.DatabaseName = path;
        other.RecordSource = "select * from qcontatti";
        other.Refresh();
        EXPECT_EQ(open_descriptors(path), 1);
    }
    EXPECT_EQ(open_descriptors(path), 0);
}

TEST_F(DataControlTest, DatabaseNameMayBeWrittenTheWindowsWay)
{
    Data1.DatabaseName = dir.path().toStdString() + "\\contatti.mdb";
    EXPECT_EQ(open(Data1, "select * from qcontatti").size(), 6);
}

TEST_F(DataControlTest, RaisesItsEvents)
{
    int reloaded = 0, repositioned = 0;
    Data1.Reloaded = [&] { ++reloaded; };
    Data1.Reposition = [&] { ++repositioned; };
    Recordset& rs = open(Data1, "select * from qcontatti");
    EXPECT_EQ(reloaded, 1);
    rs.FindFirst("nick like \"bob\"");
    rs.FindFirst("nick like \"nobody\"");
    rs.MoveLast();
    rs.Move(0);
    EXPECT_EQ(repositioned, 2);
    rs.AddNew();
    rs.SetField("nick", "Nuovo");
    rs.Update();
    EXPECT_EQ(reloaded, 2);

    int errors = 0;
    Data1.Error = [&](int number, int& response) {
        ++errors;
        EXPECT_EQ(number, platform::errDatabase);
        response = 0;
    };
    EXPECT_THROW(rs.insert_row({{"nick", "nuovo"}}), StepError);
    EXPECT_EQ(errors, 1);
}

TEST_F(DataControlTest, ARecordSourceOrCriterionNeverWrites)
{
    for (const char* source : {"delete from contatti", "select * from contatti; delete from contatti",
                               "update contatti set nick = 'x'"})
        EXPECT_EQ(error_of([&] { open(Data2, source); }), platform::errDatabase) << source;
    Recordset& rs = open(Data1, "select * from qcontatti");
    EXPECT_EQ(error_of([&] { rs.FindFirst("nick = \"a\"; delete from contatti"); }),
              platform::errDatabase);
    Data1.Refresh();
    EXPECT_EQ(Data1.recordset().size(), 6);
}

TEST_F(DataControlTest, AFailedRefreshClosesTheRecordset)
{
    open(Data2, "select nick,id from qcontatti where nick = \"mario\" and id <> 0");
    ASSERT_EQ(Data2.recordset().AbsolutePosition(), 0);
    Data2.RecordSource = "select nick,id from qcontatti where nick = \"ma\"rio\" and id <> 0";
    EXPECT_THROW(Data2.Refresh(), StepError);
    EXPECT_EQ(error_of([&] { Data2.recordset(); }), 91);
}

TEST_F(DataControlTest, FetchesRowsByPageAcrossABigBook)
{
    const std::string big = dir.filePath("big.mdb").toStdString();
    make_book(big, R"(
        with recursive n(i) as (select 1 union all select i + 1 from n where i < 300)
        insert into contatti (nick, punti) select printf('n%03d', i), i % 7 from n;)");
    Data1.DatabaseName = big;
    Recordset& rs = open(Data1, "select * from qcontatti order by nick desc");
    ASSERT_EQ(rs.size(), 300);
    for (long position : {0L, 127L, 128L, 255L, 256L, 299L})
        EXPECT_EQ(text(rs, position, "nick"), "n" + std::string(3 - std::to_string(300 - position).size(), '0')
                                                  + std::to_string(300 - position));
    rs.update_row(200, {{"nome", "scritto"}});
    EXPECT_EQ(text(rs, 200, "nome"), "scritto");
    rs.FindFirst("punti = 6 and nick like \"n0*\"");
    EXPECT_EQ(text(rs, rs.AbsolutePosition(), "nick"), "n097");
}

class BookFileTest : public ::testing::Test {
protected:
    void SetUp() override { path = dir.filePath("contatti.mdb").toStdString(); }

    // Opening must fail with `expected` and leave the file exactly as it was.
    void expect_refused(const std::string& connect, int expected)
    {
        const std::string before = read_file(path);
        const auto mtime = std::filesystem::last_write_time(path);
        DataControl control;
        control.DatabaseName = path;
        control.Connect = connect;
        control.RecordSource = "select * from qcontatti";
        EXPECT_EQ(error_of([&] { control.Refresh(); }), expected) << connect;
        EXPECT_EQ(error_of([&] { control.recordset(); }), 91);
        EXPECT_EQ(read_file(path), before);
        EXPECT_EQ(std::filesystem::last_write_time(path), mtime);
        EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
    }

    QTemporaryDir dir;
    std::string path;
};

TEST_F(BookFileTest, AWrongPasswordIsRefusedAndTheFileUntouched)
{
    make_book(path, kRows);
    expect_refused(";PWD=quorvento", platform::errBadPassword);
    expect_refused(";PWD=", platform::errBadPassword);
    expect_refused(";pwd=QUORVENT", platform::errBadPassword);
    // The right one still opens it afterwards.
    DataControl control;
    control.DatabaseName = path;
    control.RecordSource = "select * from qcontatti";
    control.Refresh();
    EXPECT_EQ(control.recordset().size(), 6);
}

TEST_F(BookFileTest, AFileThatIsNoBookIsRefusedAndUntouched)
{
    for (const std::string& content : {std::string("nick;nome\nmario;Mario\n"), std::string(),
                                      std::string(4096, 'x')}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        expect_refused(";PWD=quorvent",
                       content.size() == 4096 ? platform::errBadPassword : platform::errDatabase);
    }
}

TEST_F(BookFileTest, AMissingBookIsNotCreated)
{
    DataControl control;
    control.DatabaseName = path;
    control.RecordSource = "select * from qcontatti";
    EXPECT_EQ(error_of([&] { control.Refresh(); }), platform::errFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
