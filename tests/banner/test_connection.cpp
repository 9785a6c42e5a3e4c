#include "banner/TestConnection.h"
#include "platform/files.h"
#include "platform/services.h"
#include "tests/support/doubles.h"
#include "tests/support/helpers.h"
#include "tests/support/loopback_http.h"

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
    // The probe played by the program double: it answers at once with the file given ("" none).
    void probe_answers(const char* verdict)
    {
        put("chk.exe");
        doubles.programs->on_start = [this, verdict](const std::string&) {
            leftover_seen = exists("chkon") || exists("chkoff");
            if (*verdict)
                put(verdict);
        };
    }

    QTemporaryDir dir;
    testing_support::ServiceDoubles doubles;
    bool leftover_seen = false;
};

TEST_F(ConnectionTest, TheVerdictFilesDecideAndAreGoneAfterwards)
{
    std::string target = "http://www.example.com/tavoly/", general;
    EXPECT_FALSE(verifica_connessione(general));   // no probe: nothing started
    EXPECT_TRUE(doubles.programs->started.empty());

    probe_answers("chkon");
    EXPECT_TRUE(verifica_connessione(target));
    EXPECT_EQ(target, " http://www.example.com/tavoly/");
    const std::string probe = dir.path().toStdString() + "\\chk.exe";
    EXPECT_EQ(doubles.programs->started.at(0).command_line, probe + " http://www.example.com/tavoly/");
    EXPECT_EQ(doubles.programs->started.at(0).window_style, platform::vbHide);

    put("chkon");   // a late answer of an earlier probe counts for nothing
    probe_answers("chkoff");
    EXPECT_FALSE(verifica_connessione(general));
    EXPECT_FALSE(leftover_seen);
    EXPECT_EQ(general, "");
    EXPECT_EQ(doubles.programs->started.back().command_line, probe);
    EXPECT_FALSE(exists("chkon") || exists("chkoff"));
}

TEST_F(ConnectionTest, AProbeWithoutVerdictEndsTheWaitInFalseAndOneTestWaitsAtATime)
{
    std::string target;
    probe_answers("");
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
    std::optional<bool> second;   // a failed start left no test waiting; this one waits alone
    QTimer::singleShot(20, [&] {
        std::string other = "http://altro/";
        second = verifica_connessione(other);
    });
    QTimer::singleShot(100, [this] { put("chkon"); });
    EXPECT_TRUE(verifica_connessione(target));
    EXPECT_EQ(second, false);
    EXPECT_EQ(doubles.programs->started.size(), 4u);
}

// The real probe, copied into the program folder, against the loopback server.
TEST(ConnectionProbe, AnswersForAServerThatAnswersAndOnlyThen)
{
    QTemporaryDir dir;
    platform::set_program_folder(dir.path().toStdString());
    ASSERT_TRUE(QFile::copy(TAVOLY_CHK, dir.filePath("chk.exe")));
    testing_support::LoopbackHttp server;
    std::string up = server.url("/status/404");   // any answer will do
    EXPECT_TRUE(verifica_connessione(up));
    std::string down = "http://127.0.0.1:" + std::to_string(testing_support::closed_port()) + "/";
    EXPECT_FALSE(verifica_connessione(down));
    platform::set_program_folder("");

    QProcess general;   // the general test: either verdict, but exactly one, and in time
    general.start(dir.filePath("chk.exe"), {});
    ASSERT_TRUE(general.waitForFinished(6500));
    EXPECT_NE(QFile::exists(dir.filePath("chkon")), QFile::exists(dir.filePath("chkoff")));
}

} // namespace
