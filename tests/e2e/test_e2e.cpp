// The real executable in a real (virtual) X server, with its own program folder and settings.
#include "contacts/layout.h"
#include "platform/controls.h"
#include "tests/support/main_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The executable in a program folder of its own, with config, runtime and home folders
// under `dir`; the book is the caller's to put there.
QString copy_program(const QTemporaryDir& dir, const QString& folder = QStringLiteral("program"))
{
    const QString program = dir.path() + "/" + folder;
    QDir().mkpath(program);
    QFile::copy(QStringLiteral(TAVOLY_EXECUTABLE), program + "/tavoly");
    QDir().mkpath(dir.path() + "/config");
    QDir().mkpath(dir.path() + "/tmp");
    return program;
}

QProcessEnvironment environment(const QTemporaryDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", dir.path() + "/tmp");
    env.insert("TMPDIR", dir.path() + "/tmp");
    env.insert("HOME", dir.path());
    return env;
}

struct Output {
    QString out;
    QString err;
};

// Runs a script of tests/e2e in a bare X server with the program folder as its argument.
Output run_in_x(const QProcessEnvironment& env, const char* script, const QString& program)
{
    QProcess x;
    x.setProcessEnvironment(env);
    x.start("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "sh",
                         QStringLiteral(TAVOLY_SOURCE_DIR "/tests/e2e/") + script, program});
    EXPECT_TRUE(x.waitForFinished(180000));
    return {QString::fromUtf8(x.readAllStandardOutput()), QString::fromUtf8(x.readAllStandardError())};
}

TEST(EndToEnd, StaysUpShowsItsWindowRefusesASecondCopyAndExitsOnTheExitButton)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir);
    QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/contatti.mdb"), program + "/contatti.mdb");

    const auto exit_button = layout::kExit;
    QProcessEnvironment env = environment(dir);
    env.insert("EXIT_X", QString::number(platform::px(exit_button.left + exit_button.width / 2)));
    env.insert("EXIT_Y", QString::number(platform::px(exit_button.top + exit_button.height / 2)));
    const Output o = run_in_x(env, "run_tavoly.sh", program);
    SCOPED_TRACE((o.out + o.err).toStdString());
    EXPECT_TRUE(o.out.contains("window shown"));
    EXPECT_TRUE(o.out.contains("second copy ended 0"));
    EXPECT_TRUE(o.out.contains("first copy still up"));
    EXPECT_TRUE(o.out.contains("windows 1"));
    EXPECT_TRUE(o.out.contains("exited 0"));
}

// In a folder whose name holds a blank and a quote, as the autostart entry must cope with.
TEST(EndToEnd, LivesInTheTrayAndStartsHiddenFromItsAutostartEntry)
{
    for (const char* tool : {"xvfb-run", "xdotool", "xwininfo", "trayer", "gio", "python3"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " missing";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir, "Tavoly app's");
    QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/contatti.mdb"), program + "/contatti.mdb");
    const Output o = run_in_x(environment(dir), "run_tray.sh", program);
    SCOPED_TRACE((o.out + o.err).toStdString());
    for (const char* seen : {"window shown", "icon shown", "closed to the tray", "still running", "back on a click",
                             "first menu shown", "exited 0", "entry started in the tray", "entry started hidden",
                             "second menu shown", "entry's copy exited"})
        EXPECT_TRUE(o.out.contains(seen)) << seen;
    EXPECT_FALSE(o.err.contains("Sanitizer"));
    EXPECT_FALSE(o.err.contains("runtime error"));
}

// A log-out that kills, `kill`, a closed terminal: the program ends as by the exit button,
// writing the row being typed, saving the folders and letting go of its lock.
TEST(EndToEnd, TermAndHangUpEndTheProgramAsTheExitButtonDoes)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool missing";
    for (const char* signal : {"TERM", "HUP"}) {
        SCOPED_TRACE(signal);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString program = copy_program(dir);
        testing_support::make_book(program.toStdString(), {});
        const std::string nick = std::string("zeta") + signal;

        QProcessEnvironment env = environment(dir);
        env.insert("ROW_X", QString::number(platform::px(180 + 600)));
        env.insert("ROW_Y", QString::number(platform::px(1560) + 32));   // the add-new row, under the captions
        env.insert("NICK", QString::fromStdString(nick));
        QProcess run;
        run.setProcessEnvironment(env);
        run.start("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "sh",
                               QStringLiteral(TAVOLY_SOURCE_DIR "/tests/e2e/term_tavoly.sh"), program, signal});
        ASSERT_TRUE(run.waitForFinished(120000));
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        SCOPED_TRACE(out.toStdString() + QString::fromUtf8(run.readAllStandardError()).toStdString());
        EXPECT_TRUE(out.contains("window shown"));
        EXPECT_TRUE(out.contains("exited 0"));

        platform::DataControl data;
        data.DatabaseName = program.toStdString() + "/contatti.mdb";
        data.RecordSource = "select * from qcontatti";
        data.Refresh();
        ASSERT_EQ(data.recordset().AbsolutePosition(), 0);
        EXPECT_EQ(data.recordset().Fields("nick"), nick);
        QFile settings(dir.path() + "/config/tavoly.ini");
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
        EXPECT_TRUE(settings.readAll().contains("PathC6"));
        EXPECT_TRUE(QDir(dir.path() + "/tmp").entryList({"*.lock"}).isEmpty());
    }
}

} // namespace

namespace {

TEST(EndToEnd, OnLineTheBannerFetchesItsFileAndPictureOnceAndShowsTheFirstMessage)
{
    for (const char* tool : {"xvfb-run", "xdotool", "python3", "import", "convert"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir);
    QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/contatti.mdb"), program + "/contatti.mdb");
    QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/chk.exe"), program + "/chk.exe");
    const Output o = run_in_x(environment(dir), "run_banner.sh", program);
    SCOPED_TRACE((o.out + o.err).toStdString());
    EXPECT_TRUE(o.out.contains("window shown"));
    EXPECT_TRUE(o.out.contains("fetched"));
    EXPECT_TRUE(o.out.contains("banner pixel srgb(255,0,0)"));
    EXPECT_TRUE(o.out.contains("picture asked 1 times"));
    EXPECT_TRUE(o.out.contains("settings asked 1 times"));
    EXPECT_FALSE(o.err.contains("Sanitizer"));
}

} // namespace
