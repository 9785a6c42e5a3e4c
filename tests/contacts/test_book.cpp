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

TEST_F(BookTest, DISABLED_AControlTheBookHasNotDescribedDoesNotOpenIt)
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

} // namespace
