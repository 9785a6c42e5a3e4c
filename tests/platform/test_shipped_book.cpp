#include "tests/support/helpers.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

} // namespace
