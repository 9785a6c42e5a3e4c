#include "contacts/book.h"
#include "platform/text_order.h"
#include "tests/support/helpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using testing_support::error_number;

namespace {

class BookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::CreateDatabase(path, book::connect(), book::schema()
                                 + "; insert into contatti (nick, nome, email) values ('Èlo', 'Ugo', 'u@x.it')");
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath("contatti.mdb").toStdString();
};

// The book's password comes from the book: a control it has not described opens nothing.
TEST_F(BookTest, AControlOpensTheBookUnderThePasswordTheBookHandsIn)
{
    platform::DataControl described;
    book::describe(described);
    EXPECT_EQ(described.Connect, ";PWD=quorvent");
    described.DatabaseName = path;
    described.RecordSource = "select * from qcontatti where nick = 'èlo'";   // through the key
    book::open(described);
    EXPECT_EQ(described.recordset().Fields("nome"), "Ugo");
    EXPECT_EQ(described.recordset().Fields("chiave_nick"), platform::text_key("Èlo"));

    platform::DataControl other;
    other.DatabaseName = path;
    other.Connect = ";PWD=";
    other.RecordSource = "select * from qcontatti";
    EXPECT_EQ(error_number([&] { other.Refresh(); }), platform::errBadPassword);
}

TEST_F(BookTest, AControlTheBookHasNotDescribedDoesNotOpenIt)
{
    platform::DataControl bare;
    bare.DatabaseName = path;
    bare.RecordSource = "select * from qcontatti";
    EXPECT_EQ(error_number([&] { bare.Refresh(); }), platform::errBadPassword);
}

TEST_F(BookTest, AMissingBookIsMadeFromTheSchemaAndAnUnusableOneIsNamedWithItsReason)
{
    platform::DataControl data;
    book::describe(data);
    data.DatabaseName = dir.filePath("new.mdb").toStdString();
    data.RecordSource = "select * from qcontatti";
    book::open(data);
    EXPECT_EQ(data.recordset().size(), 0);
    EXPECT_EQ(data.recordset().column_index("espr1") >= 0, true);

    EXPECT_EQ(book::unusable_text("/x/contatti.mdb", platform::errBadPassword, true),
              "The contact book\n/x/contatti.mdb\ncannot be opened: it does not open with the program's "
              "password (a book under another password, or its first page is damaged).\n\n"
              "The program ends and leaves the file as it is.");
    EXPECT_EQ(book::failed_text("/x/c.mdb", platform::errDiskFull, true, false),
              "La modifica non può essere scritta nella rubrica\n/x/c.mdb:\nil disco è pieno.\n\n"
              "Resta sulla riga; lasciando la riga si riprova.");
    EXPECT_EQ(book::reason(12345, false, true), "");   // not the book's
    EXPECT_EQ(book::reason(12345, true, false), "errore 12345");
}

// What a query gives, one "a|b|...;" per row, read straight from the file.
std::string answers(const std::string& path, const std::string& query)
{
    testing_support::RawBook db(path);
    std::string out;
    const auto collect = [](void* to, int n, char** values, char**) {
        for (int i = 0; i < n; ++i)
            *static_cast<std::string*>(to) += std::string(values[i] ? values[i] : "-") + (i + 1 < n ? "|" : ";");
        return 0;
    };
    EXPECT_EQ(sqlite3_exec(db.db, query.c_str(), collect, &out, nullptr), SQLITE_OK) << sqlite3_errmsg(db.db);
    return out;
}

// The texts whose key is not the one made here from the text.
std::string wrong_keys(const std::string& path)
{
    testing_support::RawBook db(path);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db.db, "select nick, nome, email, chiave_nick, chiave_nome, chiave_email from contatti "
                              "order by id", -1, &rows, nullptr);
    std::string mismatches;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int column = 0; column < 3; ++column) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, column));
            const auto* key = reinterpret_cast<const char*>(sqlite3_column_text(rows, column + 3));
            const bool right = text ? key && platform::text_key(text) == key : key == nullptr;
            if (!right)
                mismatches += std::string(text ? text : "-") + " ";
        }
    }
    sqlite3_finalize(rows);
    return mismatches;
}

const char* const kIndexes = "select name, sql from sqlite_master where type = 'index' order by name";

// Empty keys in bulk (a book of the earlier shape, or rows from another program) are filled
// with the indexes made again afterwards: the same keys and the same indexes as row by row.
TEST_F(BookTest, EmptyKeysAreFilledAndTheIndexesStandAsTheSchemaMakesThem)
{
    const std::string indexes = answers(path, kIndexes);
    ASSERT_NE(indexes.find("CREATE UNIQUE INDEX contatti_nick on contatti (chiave_nick)"), std::string::npos);
    ASSERT_EQ(answers(path,
                      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                      "insert into contatti (nick, nome, email, punti) select case i % 7 when 0 then 'Ä' else 'z' end"
                      " || i, case when i % 5 then 'Nome ' || i end, 'M' || i || '@X.it', i % 40 from n;"
                      "update contatti set chiave_nome = 'stale' where id = 1;"
                      "select count(*) from contatti where chiave_nick is null"),
              "3001;");
    platform::DataControl data;
    book::describe(data);
    data.DatabaseName = path;
    data.RecordSource = "pragma cache_size";
    data.Refresh();
    const auto cache = data.recordset().value(0, 0);
    data.RecordSource = "select * from qcontatti order by nick";
    book::open(data);
    EXPECT_EQ(data.recordset().size(), 3001);
    EXPECT_EQ(wrong_keys(path), "Ugo ");   // only the key written before stays as it was
    EXPECT_EQ(answers(path, kIndexes), indexes);
    EXPECT_EQ(answers(path, "pragma integrity_check"), "ok;");
    data.RecordSource = "pragma cache_size";
    data.Refresh();
    EXPECT_EQ(data.recordset().value(0, 0), cache);

    // A few rows another program added get their keys in place, at the next start.
    answers(path, "insert into contatti (nick, nome) values ('Ñu', 'Ñandú'), ('x', null)");
    platform::DataControl next;
    book::describe(next);
    next.DatabaseName = path;
    next.RecordSource = "select * from qcontatti";
    book::open(next);
    EXPECT_EQ(wrong_keys(path), "Ugo ");
    EXPECT_EQ(answers(path, kIndexes), indexes);
}

// A book made before the key columns: its rows move into the current table and its indexes
// are the schema's, made after the rows.
TEST_F(BookTest, ABookOfTheEarlierShapeGetsTheSchemasIndexes)
{
    const std::string indexes = answers(path, kIndexes);
    const std::string earlier = dir.filePath("earlier.mdb").toStdString();
    answers(earlier,
            "create table contatti (nick text collate nocase, nome text collate nocase, note text collate nocase,"
            " email text collate nocase, foto1 text, foto2 text, foto3 text, foto4 text, foto5 text,"
            " simpatia integer, bellezza integer, intelligenza integer, affinita integer, cultura integer,"
            " punti real, id integer primary key autoincrement);"
            "create unique index contatti_nick on contatti (nick);"
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
            "insert into contatti (nick, nome, email) select 'Ö' || i, 'n' || i, null from n;");
    platform::DataControl data;
    book::describe(data);
    data.DatabaseName = earlier;
    data.RecordSource = "select * from qcontatti";
    book::open(data);
    EXPECT_EQ(data.recordset().size(), 2000);
    EXPECT_EQ(wrong_keys(earlier), "");
    EXPECT_EQ(answers(earlier, kIndexes), indexes);
    EXPECT_EQ(answers(earlier, "pragma integrity_check; select righe from conteggio"), "ok;2000;");
}

} // namespace
