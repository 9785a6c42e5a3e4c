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

// The first of these tools (or of those every run needs) that the machine lacks; "" when none.
std::string missing(std::vector<const char*> tools)
{
    tools.insert(tools.end(), {"xvfb-run", "xdotool"});
    for (const char* tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool;
    return {};
}

// The executable in a program folder of its own, with the shipped book unless `book` is false.
QString copy_program(const QTemporaryDir& dir, const QString& folder = QStringLiteral("program"), bool book = true)
{
    const QString program = dir.path() + "/" + folder;
    QDir().mkpath(program);
    QFile::copy(QStringLiteral(TAVOLY_EXECUTABLE), program + "/tavoly");
    if (book)
        QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/contatti.mdb"), program + "/contatti.mdb");
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

// A script of tests/e2e in a bare X server; what it printed, then its standard error.
std::pair<QString, QString> run_in_x(const QProcessEnvironment& env, const char* script, QStringList arguments)
{
    QProcess x;
    x.setProcessEnvironment(env);
    x.start("xvfb-run", QStringList{"-a", "-s", "-screen 0 1280x800x24", "sh",
                                    QStringLiteral(TAVOLY_SOURCE_DIR "/tests/e2e/") + script} + arguments);
    EXPECT_TRUE(x.waitForFinished(180000));
    return {QString::fromUtf8(x.readAllStandardOutput()), QString::fromUtf8(x.readAllStandardError())};
}

// In a folder whose name holds a blank and a quote, as the start-up entry must cope with.
TEST(EndToEnd, RefusesASecondCopyLivesInTheTrayAndStartsHiddenFromItsAutostartEntry)
{
    if (const auto tool = missing({"xwininfo", "trayer", "python3", "gio"}); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir, "Tavoly app's");
    QProcessEnvironment env = environment(dir);
    env.insert("EXIT_X", QString::number(platform::px(layout::kExit.left + layout::kExit.width / 2)));
    env.insert("EXIT_Y", QString::number(platform::px(layout::kExit.top + layout::kExit.height / 2)));
    const auto [out, err] = run_in_x(env, "run_tray.sh", {program});
    SCOPED_TRACE((out + err).toStdString());
    for (const char* seen : {"window shown", "icon shown", "second copy ended 0", "windows 1", "closed to the tray",
                             "still running", "back on a click", "first menu shown", "by the menu exited 0",
                             "entry started in the tray", "entry started hidden", "second menu shown",
                             "entry's copy exited", "window shown again", "by the button exited 0"})
        EXPECT_TRUE(out.contains(seen)) << seen;
    EXPECT_FALSE(err.contains("Sanitizer"));
    EXPECT_FALSE(err.contains("runtime error"));
}

// A log-out, `kill` or a closed terminal ends the program as the exit button does.
TEST(EndToEnd, TermAndHangUpEndTheProgramAsTheExitButtonDoes)
{
    if (const auto tool = missing({}); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    for (const char* signal : {"TERM", "HUP"}) {
        SCOPED_TRACE(signal);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString program = copy_program(dir, "program", false);
        testing_support::make_book(program.toStdString(), {});
        const std::string nick = std::string("zeta") + signal;
        QProcessEnvironment env = environment(dir);
        env.insert("ROW_X", QString::number(platform::px(180 + 600)));
        env.insert("ROW_Y", QString::number(platform::px(1560) + 32));   // the add-new row, under the captions
        env.insert("NICK", QString::fromStdString(nick));
        const auto [out, err] = run_in_x(env, "term_tavoly.sh", {program, signal});
        SCOPED_TRACE((out + err).toStdString());
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
