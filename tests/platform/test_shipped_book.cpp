#include "platform/data_control.h"
#include "platform/failure.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

const std::string kSchema = TAVOLY_SOURCE_DIR "/resources/schema.sql";
const std::string kSample = TAVOLY_SOURCE_DIR "/resources/sample.sql";

int makedb(const std::string& schema, const std::string& sample, const std::string& out)
{
    QProcess process;
    process.start(TAVOLY_MAKEDB, {QString::fromStdString(schema), QString::fromStdString(sample),
                                  QString::fromStdString(out)});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QStringList entries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

long number(const platform::Recordset& rs, long row, const char* column)
{
    return std::stol(rs.value(row, rs.column_index(column)).value_or("0"));
}

TEST(ShippedBook, HoldsTheSampleContacts)
{
    QTemporaryDir dir;
    const std::string book = dir.filePath("contatti.mdb").toStdString();
    ASSERT_EQ(makedb(kSchema, kSample, book), 0);
    EXPECT_EQ(entries(dir), QStringList{"contatti.mdb"});

    platform::DataControl control;
    control.DatabaseName = book;
    control.RecordSource = "select * from qcontatti";
    control.Refresh();
    const platform::Recordset& rs = control.recordset();
    ASSERT_GE(rs.size(), 6);
    ASSERT_LE(rs.size(), 10);

    const std::regex demo("demo0[1-8]\\.jpg");
    const std::regex mail("[^@ ]+@example\\.(com|org)");
    std::set<std::string> nicks, links;
    int with_two = 0, with_none = 0, with_hole = 0;
    for (long row = 0; row < rs.size(); ++row) {
        const std::string nick = rs.value(row, 0).value_or("");
        EXPECT_TRUE(nicks.insert(nick).second) << nick;
        EXPECT_TRUE(std::regex_match(rs.value(row, rs.column_index("email")).value_or(""), mail));
        long sum = 0;
        for (const char* rating : {"simpatia", "bellezza", "intelligenza", "affinita", "cultura"}) {
            EXPECT_GE(number(rs, row, rating), 0) << nick;
            EXPECT_LE(number(rs, row, rating), 5) << nick;
            sum += number(rs, row, rating);
        }
        EXPECT_EQ(number(rs, row, "punti"), 40 * sum) << nick;

        int filled = 0;
        bool gap = false;
        for (int slot = 1; slot <= 5; ++slot) {
            const std::string link = rs.value(row, rs.column_index("foto" + std::to_string(slot)))
                                         .value_or("");
            if (link.empty()) {
                gap = true;
                continue;
            }
            ++filled;
            with_hole += gap ? 1 : 0;
            gap = false;
            EXPECT_TRUE(std::regex_match(link, demo)) << link;
            EXPECT_TRUE(links.insert(link).second) << link << " used twice";
            EXPECT_TRUE(std::filesystem::is_regular_file(TAVOLY_SOURCE_DIR
                                                         "/resources/program/PhotoDemo/" + link))
                << link;
        }
        with_two += filled >= 2 ? 1 : 0;
        with_none += filled == 0 ? 1 : 0;
        EXPECT_EQ(rs.value(row, rs.column_index("espr1")), filled ? "-1" : "0") << nick;
    }
    EXPECT_GE(with_two, 1);
    EXPECT_GE(with_none, 1);
    EXPECT_GE(with_hole, 1);
}

TEST(ShippedBook, MakedbNeverReplacesABook)
{
    QTemporaryDir dir;
    const std::string book = dir.filePath("contatti.mdb").toStdString();
    for (const std::string& content : {std::string("a user's book"), std::string()}) {
        std::ofstream(book, std::ios::binary | std::ios::trunc) << content;
        const auto mtime = std::filesystem::last_write_time(book);
        EXPECT_EQ(makedb(kSchema, kSample, book), 0);
        EXPECT_EQ(read_file(book), content);
        EXPECT_EQ(std::filesystem::last_write_time(book), mtime);
        EXPECT_EQ(entries(dir), QStringList{"contatti.mdb"});
    }
}

TEST(ShippedBook, AFailedMakeLeavesNothing)
{
    QTemporaryDir dir;
    const std::string book = dir.filePath("contatti.mdb").toStdString();
    const std::string broken = dir.filePath("broken.sql").toStdString();
    std::ofstream(broken) << "insert into nowhere values (1);";
    EXPECT_NE(makedb(kSchema, dir.filePath("missing.sql").toStdString(), book), 0);
    EXPECT_NE(makedb(kSchema, broken, book), 0);
    EXPECT_EQ(entries(dir), QStringList{"broken.sql"});
}

TEST(ShippedBook, OpensOnlyWithItsPassword)
{
    QTemporaryDir dir;
    const std::string book = dir.filePath("contatti.mdb").toStdString();
    ASSERT_EQ(makedb(kSchema, kSample, book), 0);
    platform::DataControl control;
    control.DatabaseName = book;
    control.Connect = ";PWD=";
    control.RecordSource = "select * from qcontatti";
    try {
        control.Refresh();
        ADD_FAILURE() << "opened without its password";
    } catch (const platform::StepError& e) {
        EXPECT_EQ(e.number(), platform::errBadPassword);
    }
}

} // namespace
