// The real executable in a real (virtual) X server, with its own program folder and settings.
#include "contacts/layout.h"
#include "platform/controls.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Output {
    QString out;
    QString err;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"xvfb-run", "xdotool", "xwininfo"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " missing";
        }
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.path() + "/config");
        QDir().mkpath(dir.path() + "/tmp");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", dir.path() + "/tmp");
        env.insert("TMPDIR", dir.path() + "/tmp");
        env.insert("HOME", dir.path());
    }

    // A program folder holding the executable and the sample book.
    QString copy_program(const QString& name)
    {
        const QString program = dir.path() + "/" + name;
        QDir().mkpath(program);
        QFile::copy(QStringLiteral(TAVOLY_EXECUTABLE), program + "/tavoly");
        QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/contatti.mdb"), program + "/contatti.mdb");
        return program;
    }

    Output run(const char* script, const QString& program)
    {
        QProcess x;
        x.setProcessEnvironment(env);
        x.start("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "sh",
                             QStringLiteral(TAVOLY_SOURCE_DIR "/tests/e2e/") + script, program});
        EXPECT_TRUE(x.waitForFinished(180000));
        return {QString::fromUtf8(x.readAllStandardOutput()), QString::fromUtf8(x.readAllStandardError())};
    }

    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

TEST_F(EndToEnd, StaysUpShowsItsWindowRefusesASecondCopyAndExitsOnTheExitButton)
{
    const auto exit_button = layout::kExit;
    env.insert("EXIT_X", QString::number(platform::px(exit_button.left + exit_button.width / 2)));
    env.insert("EXIT_Y", QString::number(platform::px(exit_button.top + exit_button.height / 2)));
    const Output o = run("run_tavoly.sh", copy_program("program"));
    SCOPED_TRACE((o.out + o.err).toStdString());
    EXPECT_TRUE(o.out.contains("window shown"));
    EXPECT_TRUE(o.out.contains("second copy ended 0"));
    EXPECT_TRUE(o.out.contains("first copy still up"));
    EXPECT_TRUE(o.out.contains("windows 1"));
    EXPECT_TRUE(o.out.contains("exited 0"));
}

// In a folder whose name holds a blank and a quote, as the autostart entry must cope with.
TEST_F(EndToEnd, LivesInTheTrayAndStartsHiddenFromItsAutostartEntry)
{
    for (const char* tool : {"trayer", "gio", "python3"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " missing";
    }
    const Output o = run("run_tray.sh", copy_program("Tavoly app's"));
    SCOPED_TRACE((o.out + o.err).toStdString());
    for (const char* seen : {"window shown", "icon shown", "closed to the tray", "still running", "back on a click",
                             "first menu shown", "exited 0", "entry started in the tray", "entry started hidden",
                             "second menu shown", "entry's copy exited"})
        EXPECT_TRUE(o.out.contains(seen)) << seen;
    EXPECT_FALSE(o.err.contains("Sanitizer"));
    EXPECT_FALSE(o.err.contains("runtime error"));
}

} // namespace
