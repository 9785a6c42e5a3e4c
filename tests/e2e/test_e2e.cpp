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

QString copy_program(const QTemporaryDir& dir)
{
    const QString program = dir.path() + "/program";
    QDir().mkpath(program);
    QFile::copy(QStringLiteral(TAVOLY_EXECUTABLE), program + "/tavoly");
    QFile::copy(QStringLiteral(TAVOLY_PROGRAM_DIR "/contatti.mdb"), program + "/contatti.mdb");
    return program;
}

TEST(EndToEnd, StaysUpShowsItsWindowRefusesASecondCopyAndExitsOnTheExitButton)
{
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir);
    QDir().mkpath(dir.path() + "/config");
    QDir().mkpath(dir.path() + "/tmp");

    const auto exit_button = layout::kExit;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", dir.path() + "/tmp");
    env.insert("TMPDIR", dir.path() + "/tmp");
    env.insert("HOME", dir.path());
    env.insert("EXIT_X", QString::number(platform::px(exit_button.left + exit_button.width / 2)));
    env.insert("EXIT_Y", QString::number(platform::px(exit_button.top + exit_button.height / 2)));
    QProcess run;
    run.setProcessEnvironment(env);
    run.start("xvfb-run", {"-a", "-s", "-screen 0 1280x800x24", "sh",
                           QStringLiteral(TAVOLY_SOURCE_DIR "/tests/e2e/run_tavoly.sh"), program});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    SCOPED_TRACE(out.toStdString() + QString::fromUtf8(run.readAllStandardError()).toStdString());
    EXPECT_TRUE(out.contains("window shown"));
    EXPECT_TRUE(out.contains("second copy ended 0"));
    EXPECT_TRUE(out.contains("first copy still up"));
    EXPECT_TRUE(out.contains("windows 1"));
    EXPECT_TRUE(out.contains("exited 0"));
}

} // namespace
