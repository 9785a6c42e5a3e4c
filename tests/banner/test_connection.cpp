#include "banner/TestConnection.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/services.h"
#include "tests/support/doubles.h"
#include "tests/support/helpers.h"
#include "tests/support/loopback_http.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using TestConnection::verifica_connessione;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { platform::set_program_folder(dir.path().toStdString()); }
    void TearDown() override
    {
        platform::set_program_folder("");
        TestConnection::imposta_attesa_massima(std::chrono::seconds(10));
    }
    bool exists(const char* name) const { return QFile::exists(dir.filePath(name)); }
    void put(const char* name) const { testing_support::write_file(dir.filePath(name), ""); }
    std::string probe_path() const { return dir.path().toStdString() + "\\chk.exe"; }

    QTemporaryDir dir;
};

// The probe played by the program double: it answers at once with the file it is given.
class ScriptedProbeTest : public ConnectionTest {
protected:
    void SetUp() override
    {
        ConnectionTest::SetUp();
        put("chk.exe");
    }
    void answers(const char* verdict)
    {
        doubles.programs->on_start = [this, verdict](const std::string&) {
            leftover_seen = exists("chkon") || exists("chkoff");
            if (*verdict)
                put(verdict);
        };
    }
    testing_support::ServiceDoubles doubles;
    bool leftover_seen = false;
};

TEST_F(ScriptedProbeTest, TheVerdictFilesDecideAndAreGoneAfterwards)
{
    std::string target = "http://www.example.com/tavoly/";
    answers("chkon");
    EXPECT_TRUE(verifica_connessione(target));
    EXPECT_EQ(target, " http://www.example.com/tavoly/");
    ASSERT_EQ(doubles.programs->started.size(), 1u);
    EXPECT_EQ(doubles.programs->started[0].command_line, probe_path() + " http://www.example.com/tavoly/");
    EXPECT_EQ(doubles.programs->started[0].window_style, platform::vbHide);

    std::string general;
    put("chkon");   // a late answer of an earlier probe counts for nothing
    answers("chkoff");
    EXPECT_FALSE(verifica_connessione(general));
    EXPECT_FALSE(leftover_seen);
    EXPECT_EQ(general, "");
    EXPECT_EQ(doubles.programs->started.back().command_line, probe_path());
    EXPECT_FALSE(exists("chkon") || exists("chkoff"));

    QFile::remove(dir.filePath("chk.exe"));
    QDir(dir.path()).mkdir("chk.exe");   // a folder is no probe
    EXPECT_FALSE(verifica_connessione(general));
    EXPECT_EQ(doubles.programs->started.size(), 2u);
}

TEST_F(ScriptedProbeTest, AProbeWithoutVerdictEndsTheWaitInFalse)
{
    std::string target;
    answers("");
    doubles.programs->still_running = false;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(verifica_connessione(target));
    EXPECT_LT(clock.elapsed(), 1000);

    doubles.programs->still_running = true;   // hangs
    TestConnection::imposta_attesa_massima(std::chrono::milliseconds(400));
    clock.restart();
    EXPECT_FALSE(verifica_connessione(target));
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_LT(clock.elapsed(), 2000);

    doubles.programs->fail = true;
    EXPECT_NE(testing_support::error_number([&] { verifica_connessione(target); }), 0);
    doubles.programs->fail = false;
    answers("chkon");   // a failed start leaves no test waiting
    EXPECT_TRUE(verifica_connessione(target));
}

TEST_F(ScriptedProbeTest, OnlyOneTestWaitsAtATime)
{
    answers("");
    QTimer::singleShot(100, [this] { put("chkon"); });
    std::optional<bool> second;
    QTimer::singleShot(20, [&] {
        std::string other = "http://altro/";
        second = verifica_connessione(other);
    });
    std::string target;
    EXPECT_TRUE(verifica_connessione(target));
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(*second);
    EXPECT_EQ(doubles.programs->started.size(), 1u);
}

// The real probe, copied into the program folder, against the loopback server.
TEST_F(ConnectionTest, TheProbeAnswersForAServerThatAnswersAndOnlyThen)
{
    ASSERT_TRUE(QFile::copy(TAVOLY_CHK, dir.filePath("chk.exe")));
    testing_support::LoopbackHttp server;
    std::string up = server.url("/status/404");   // any answer will do
    EXPECT_TRUE(verifica_connessione(up));
    std::string down = "http://127.0.0.1:" + std::to_string(testing_support::closed_port()) + "/";
    EXPECT_FALSE(verifica_connessione(down));
    EXPECT_FALSE(exists("chkon") || exists("chkoff"));

    QProcess general;   // the general test: either verdict, but exactly one, and in time
    general.start(dir.filePath("chk.exe"), {});
    ASSERT_TRUE(general.waitForFinished(6500));
    EXPECT_NE(exists("chkon"), exists("chkoff"));
}

} // namespace
