#include "contacts/book.h"
#include "platform/data_control.h"
#include "tests/support/helpers.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

class ShippedBook : public ::testing::Test {
protected:
    int makedb(const QString& sample)
    {
        QProcess process;
        process.start(TAVOLY_MAKEDB, {TAVOLY_SOURCE_DIR "/resources/schema.sql", sample, book});
        const bool ended = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
        return ended ? process.exitCode() : -1;
    }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
    const QString book = dir.filePath("contatti.mdb");
};

// A book already there may be a user's, and a half-made one would never be replaced.
TEST_F(ShippedBook, MakedbPlacesOnlyACompleteBookAndNeverReplacesOne)
{
    const QString broken = dir.filePath("broken.sql");
    testing_support::write_file(broken, "insert into nowhere values (1);");
    EXPECT_NE(makedb(dir.filePath("missing.sql")), 0);
    EXPECT_NE(makedb(broken), 0);
    EXPECT_EQ(entries(), QStringList{"broken.sql"});
    for (const std::string content : {"a user's book", ""}) {
        testing_support::write_file(book, content);
        EXPECT_EQ(makedb(TAVOLY_SOURCE_DIR "/resources/sample.sql"), 0);
        QFile file(book);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), content);
        EXPECT_EQ(entries(), (QStringList{"broken.sql", "contatti.mdb"}));
    }
}

TEST_F(ShippedBook, HoldsTheSampleContactsUnderItsPassword)
{
    ASSERT_EQ(makedb(TAVOLY_SOURCE_DIR "/resources/sample.sql"), 0);
    EXPECT_EQ(entries(), QStringList{"contatti.mdb"});
    platform::DataControl control;
    book::describe(control);
    control.DatabaseName = book.toStdString();
    control.RecordSource = "select * from qcontatti";
    control.Connect = ";PWD=";
    EXPECT_EQ(testing_support::error_number([&] { control.Refresh(); }), platform::errBadPassword);
    control.Connect = ";PWD=quorvent";
    control.Refresh();
    const platform::Recordset& rs = control.recordset();
    ASSERT_TRUE(rs.size() >= 6 && rs.size() <= 10) << rs.size();

    std::string shapes = "|";   // each row's photo slots: "x" a link, "-" none
    for (long row = 0; row < rs.size(); ++row) {
        const auto field = [&](const std::string& name) { return rs.value(row, rs.column_index(name)).value_or(""); };
        SCOPED_TRACE(field("nick"));
        EXPECT_TRUE(std::regex_match(field("email"), std::regex("[^@ ]+@example\\.(com|org)")));
        long stars = 0;
        for (const char* rating : {"simpatia", "bellezza", "intelligenza", "affinita", "cultura"}) {
            EXPECT_TRUE(std::regex_match(field(rating), std::regex("[0-5]"))) << rating;
            stars += std::stol("0" + field(rating));
        }
        EXPECT_EQ(field("punti"), std::to_string(40 * stars));
        for (int slot = 1; slot <= 5; ++slot) {
            const std::string link = field("foto" + std::to_string(slot));
            shapes += link.empty() ? "-" : "x";
            const std::string demo = TAVOLY_SOURCE_DIR "/resources/program/PhotoDemo/" + link;
            EXPECT_TRUE(link.empty() || (link.starts_with("demo") && std::filesystem::is_regular_file(demo)))
                << link;
        }
        shapes += "|";
    }
    // A contact without photos, one with several, and an empty slot before a filled one.
    EXPECT_NE(shapes.find("|-----|"), std::string::npos) << shapes;
    EXPECT_TRUE(std::regex_search(shapes, std::regex("x[^|]*x"))) << shapes;
    EXPECT_NE(shapes.find("-x"), std::string::npos) << shapes;
}

} // namespace
