// The real executable in a real (virtual) X server, with its own program folder and settings.
#include "contacts/book.h"
#include "contacts/layout.h"
#include "platform/controls.h"
#include "platform/shell_open.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
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
QString copy_program(const QTemporaryDir& dir, const QString& folder = QStringLiteral("program"), bool book = true,
                     const QString& exe = QStringLiteral("tavoly"))
{
    const QString program = dir.path() + "/" + folder;
    QDir().mkpath(program);
    QFile::copy(QStringLiteral(TAVOLY_EXECUTABLE), program + "/" + exe);
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
    for (const char* seen : {"window shown", "icon shown", "second copy ended 0", "first copy still up",
                             "windows 1", "closed to the tray",
                             "still running", "back on a click", "first menu shown", "by the menu exited 0",
                             "entry started in the tray", "entry started hidden", "second menu shown",
                             "entry's copy exited", "window shown again", "by the button exited 0"})
        EXPECT_TRUE(out.contains(seen)) << seen;
    EXPECT_FALSE(err.contains("Sanitizer"));
    EXPECT_FALSE(err.contains("runtime error"));
}

// A log-out, `kill`, a closed terminal or Ctrl+C ends the program as the exit button does.
TEST(EndToEnd, TermAndHangUpEndTheProgramAsTheExitButtonDoes)
{
    if (const auto tool = missing({}); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    for (const char* signal : {"TERM", "HUP", "INT"}) {
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
        data.Connect = book::connect();
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

// A signal while the pending row cannot be written (its nick is taken): the row is not dropped
// unseen; its fields and the reason go to standard error and the status says it was lost.
TEST(EndToEnd, AnEditASignalCannotWriteIsToldAndTheStatusSaysSo)
{
    if (const auto tool = missing({}); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir, "program", false);
    testing_support::make_book(program.toStdString(), {{{"nick", "zetataken"}, {"nome", "First"}}});
    QProcessEnvironment env = environment(dir);
    env.insert("ROW_X", QString::number(platform::px(180 + 600)));
    const int row_height = QFontMetrics(QApplication::font()).height() + 4;   // the grid's one row height
    env.insert("ROW_Y", QString::number(platform::px(1560) + 32 + row_height));   // the add-new row, under the one contact
    env.insert("NICK", "zetataken");
    const auto [out, err] = run_in_x(env, "term_tavoly.sh", {program, "TERM"});
    SCOPED_TRACE((out + err).toStdString());
    EXPECT_TRUE(out.contains("window shown"));
    EXPECT_TRUE(out.contains("exited 1"));
    EXPECT_TRUE(err.contains("The last change was not written to the contact book (refused)"));
    EXPECT_TRUE(err.contains("=zetataken"));
    EXPECT_TRUE(QDir(dir.path() + "/tmp").entryList({"*.lock"}).isEmpty());
}

// Renamed, in a folder whose name holds a backslash: the session's start-up entry starts
// this very executable, which finds its book.
TEST(EndToEnd, ARenamedProgramIsTheOneTheSessionStarts)
{
    if (const auto tool = missing({}); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir, "a\\b", true, "rubrica");
    const auto [out, err] = run_in_x(environment(dir), "start_and_end.sh", {program, "rubrica"});
    SCOPED_TRACE((out + err).toStdString());
    EXPECT_TRUE(out.contains("window shown"));
    EXPECT_TRUE(out.contains("exited 0"));
    EXPECT_NE(testing_support::read_file((dir.path() + "/config/tavoly.ini").toStdString()).find("lingua"),
              std::string::npos) << "the start went past the book";
    QFile entry(dir.path() + "/config/autostart/tavoly.desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    std::string exec;
    for (const QByteArray& line : entry.readAll().split('\n'))
        if (line.startsWith("Exec="))
            exec = QString::fromUtf8(line.mid(5)).replace("\\\\", "\\").toStdString();
    EXPECT_EQ(platform::exec_arguments(exec, ""), (std::vector<std::string>{(program + "/rubrica").toStdString(), "S"}));
}

// ---- the banner's site: a stand-in that misbehaves, reached through http_proxy

// Every field of every contact that the user sees (the program keeps search keys of its own).
std::vector<platform::FieldValue> contacts(const QString& program)
{
    platform::DataControl data;
    data.Connect = book::connect();
    data.DatabaseName = program.toStdString() + "/contatti.mdb";
    data.RecordSource = "select id, nick, nome, note, email, foto1, foto2, foto3, foto4, foto5, simpatia, "
                        "bellezza, intelligenza, affinita, cultura, punti from contatti order by id";
    data.Refresh();
    std::vector<platform::FieldValue> all;
    platform::Recordset& rows = data.recordset();
    for (long r = 0; r < rows.size(); ++r)
        for (int c = 0; c < int(rows.columns().size()); ++c)
            all.push_back(rows.value(r, c));
    return all;
}

struct SiteRun {
    QString out, err, program;
};

SiteRun run_with_site(const QTemporaryDir& dir, const char* scenario, const char* action,
                      const std::string& local_settings = "")
{
    const QString program = copy_program(dir);
    QFile::copy(QStringLiteral(TAVOLY_CHK), program + "/chk.exe");
    if (!local_settings.empty())
        testing_support::write_file(program + "/set.txt", local_settings);
    QProcessEnvironment env = environment(dir);
    env.insert("EXIT_X", QString::number(platform::px(layout::kExit.left + layout::kExit.width / 2)));
    env.insert("EXIT_Y", QString::number(platform::px(layout::kExit.top + layout::kExit.height / 2)));
    const auto [out, err] = run_in_x(env, "banner_site.sh", {program, scenario, action});
    return {out, err, program};
}

std::string missing_for_site()
{
    return missing({"python3"});
}

TEST(EndToEnd, OnLineTheBannerFetchesItsFileAndPictureOnceAndShowsTheFirstMessage)
{
    if (const auto tool = missing({"python3", "import", "convert"}); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = copy_program(dir);
    QFile::copy(QStringLiteral(TAVOLY_CHK), program + "/chk.exe");
    const auto [out, err] = run_in_x(environment(dir), "run_banner.sh", {program});
    SCOPED_TRACE((out + err).toStdString());
    for (const char* seen : {"window shown", "fetched", "banner pixel srgb(255,0,0)", "picture asked 1 times",
                             "settings asked 1 times", "exited 0"})
        EXPECT_TRUE(out.contains(seen)) << seen;
    EXPECT_FALSE(err.contains("Sanitizer"));
}

// A journal beside the book would be played back into it at the next start.
TEST(EndToEnd, TheSiteStoresNothingButPicturesAndTheBookStaysAsItWas)
{
    if (const auto tool = missing_for_site(); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto before = contacts(QStringLiteral(TAVOLY_PROGRAM_DIR));
    const SiteRun run = run_with_site(dir, "journal", "settle");
    SCOPED_TRACE((run.out + run.err).toStdString());
    EXPECT_TRUE(run.out.contains("run 2 pictures"));   // a restart, which would play a journal back
    EXPECT_TRUE(run.out.contains(" set.txt ") && run.out.contains(" ok.png "));
    for (const char* name : {"contatti.mdb-journal", "contatti.mdb-wal", "tavoly.ini", "chkon"})
        EXPECT_FALSE(run.out.contains(QStringLiteral(" %1 ").arg(name))) << name;
    for (const char* name : {"contatti.mdb-journal", "tavoly.ini", "chkon"})
        EXPECT_FALSE(QFile::exists(run.program + "/" + name)) << name;
    EXPECT_EQ(testing_support::read_file(run.program.toStdString() + "/ok.png"), "PWNED by server");
    EXPECT_EQ(contacts(run.program), before);
}

// A stalled picture: the exit by any route ends the program at once and lets the lock go.
TEST(EndToEnd, AStalledDownloadEndsWithTheProgramByTermAndByTheExitButton)
{
    if (const auto tool = missing_for_site(); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    for (const char* action : {"TERM", "button"}) {
        SCOPED_TRACE(action);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const SiteRun run = run_with_site(dir, "stall", action);
        SCOPED_TRACE((run.out + run.err).toStdString());
        for (const char* seen : {"download stalled", "gone within a second", "exited 0"})
            EXPECT_TRUE(run.out.contains(seen)) << seen;
        EXPECT_EQ(run.out.count("window shown"), 2);   // the new start, too
        EXPECT_EQ(run.out.count("exited 0"), 2);
        EXPECT_FALSE(QFile::exists(run.program + "/stall.png"));
        EXPECT_FALSE(run.err.contains("Sanitizer"));
    }
}

TEST(EndToEnd, ABrokenGzipSettingsFileLeavesTheLocalOneAsItWas)
{
    if (const auto tool = missing_for_site(); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string local = "[banner]\nattivo=TRUE\n[mess1]\nintervallo=4000\ntesto1=kept\n";
    const SiteRun run = run_with_site(dir, "gzip", "settle", local);
    SCOPED_TRACE((run.out + run.err).toStdString());
    EXPECT_TRUE(run.out.contains(" set.txt "));
    EXPECT_EQ(testing_support::read_file(run.program.toStdString() + "/set.txt"), local);
}

// 40 pictures of 3 MiB: 16 MiB fetched a refresh, 32 MiB kept in all.
TEST(EndToEnd, WhatTheSiteSendsTakesABoundedPartOfTheDisk)
{
    if (const auto tool = missing_for_site(); !tool.empty())
        GTEST_SKIP() << tool << " missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SiteRun run = run_with_site(dir, "disk", "settle");
    SCOPED_TRACE((run.out + run.err).toStdString());
    EXPECT_TRUE(run.out.contains("run 1 pictures 15 MiB"));
    EXPECT_TRUE(run.out.contains("run 2 pictures 30 MiB"));
}

} // namespace
