// The start with the desktop session: the autostart entry, its switch and its setting.
#include "desktop/EllReg.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell_open.h"
#include "platform/settings.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

using testing_support::MainFixture;

namespace {

const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";

QString entry_path() { return QString::fromStdString(platform::autostart_folder() + "/tavoly.desktop"); }

QString read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString exec_of(const QString& entry)
{
    for (const QString& line : read(entry).split('\n')) {
        if (line.startsWith("Exec="))
            return line.mid(5);
    }
    return {};
}

// What the desktop's own checker says of an entry; "" when it finds nothing wrong.
QString validation(const QString& entry)
{
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
        return {};
    QProcess check;
    check.start("desktop-file-validate", {entry});
    check.waitForFinished(20000);
    const QString said = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
    return check.exitCode() == 0 && !said.contains("error") ? QString() : said;
}

// The entry names the executable that runs, here the tests' own: a renamed program is still
// the one the session starts.
QString running() { return QFileInfo(QCoreApplication::applicationFilePath()).fileName(); }

class StartupEntryTest : public MainFixture {};

TEST_F(StartupEntryTest, TheEntryFollowsTheChoiceAcrossStarts)
{
    start({});
    EXPECT_TRUE(form->avvioautom->isChecked());
    EXPECT_EQ(exec_of(entry_path()), QString::fromStdString(program) + "/" + running() + " S");
    EXPECT_EQ(validation(entry_path()), QString());
    EXPECT_EQ(setting("avvio"), "<none>");
    form->avvioautom->trigger();
    EXPECT_FALSE(form->avvioautom->isChecked());
    EXPECT_FALSE(QFile::exists(entry_path()));
    EXPECT_EQ(setting("avvio"), "N");
    start({});
    EXPECT_FALSE(form->avvioautom->isChecked());
    EXPECT_FALSE(QFile::exists(entry_path()));
    form->avvioautom_Click();
    EXPECT_TRUE(form->avvioautom->isChecked());
    EXPECT_TRUE(QFile::exists(entry_path()));
    EXPECT_EQ(setting("avvio"), "S");
}

// A session must start the program itself, not a file named like the start of its folder.
TEST_F(StartupEntryTest, AFolderWithBlanksAndQuotesIsEscapedAndANewFolderRewritesIt)
{
    const QString base = dir.path();
    const QString folder = base + "/my dir's \"x\" $HOME";
    QDir().mkpath(folder);
    // The program and a "my" beside its folder both record how they were started.
    const QString recorder = "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"" + base + "/started.tmp\"\nmv \"" + base
        + "/started.tmp\" \"" + base + "/started\"\n";
    for (const QString& f : {folder + "/" + running(), base + "/my"}) {
        testing_support::write_file(f, recorder.toStdString());
        QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    platform::set_program_folder(folder.toStdString());
    EllReg::avvio_disattivo = 0;
    EllReg::imposta_avvio_automatico();
    EXPECT_EQ(validation(entry_path()), QString());
    EXPECT_EQ(exec_of(entry_path()), "\"" + base + "/my dir's \\\\\"x\\\\\" \\\\$HOME/" + running() + "\" S");
    if (!QStandardPaths::findExecutable("gio").isEmpty()) {
        ASSERT_EQ(QProcess::execute("gio", {"launch", entry_path()}), 0);
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(base + "/started") && !deadline.hasExpired())
            QThread::msleep(20);
        EXPECT_EQ(read(base + "/started"), folder + "/" + running() + "\nS\n");
    }
    platform::set_program_folder((base + "/100% other").toStdString());
    EllReg::imposta_avvio_automatico();
    EXPECT_EQ(exec_of(entry_path()), "\"" + base + "/100%% other/" + running() + "\" S");
    EXPECT_EQ(validation(entry_path()), QString());
}

// A "\\" in the folder's name is part of it: the entry's command, read back by the Desktop
// Entry rules, names the folder as it is.
TEST_F(StartupEntryTest, AFolderWithABackslashIsNamedAsItIs)
{
    const QString folder = dir.path() + "/a\\b";
    QDir().mkpath(folder);
    platform::set_program_folder(folder.toStdString());
    EllReg::avvio_disattivo = 0;
    EllReg::imposta_avvio_automatico();
    EXPECT_EQ(validation(entry_path()), QString());
    const QString exec = exec_of(entry_path());
    EXPECT_EQ(exec, "\"" + dir.path() + "/a\\\\\\\\b/" + running() + "\" S");
    const auto argv = platform::exec_arguments(QString(exec).replace("\\\\", "\\").toStdString(), "");
    EXPECT_EQ(argv, (std::vector<std::string>{(folder + "/" + running()).toStdString(), "S"}));
}

TEST_F(StartupEntryTest, OnlyTheRunKeyIsWrittenAndOnlyInsideTheAutostartFolder)
{
    const QString autostart = QString::fromStdString(platform::autostart_folder());
    EllReg::scrivi_valore_reg(platform::HKEY_CURRENT_USER, kRunKey, "tavoly", platform::REG_SZ, "/bin/true S");
    EllReg::scrivi_valore_reg(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Tavoly\\", "tavoly", platform::REG_SZ, "x");
    for (const char* name : {"../escaped", ".hidden", "a/b", ""})
        EllReg::scrivi_valore_reg(platform::HKEY_LOCAL_MACHINE, kRunKey, name, platform::REG_SZ, "/bin/true S");
    EXPECT_TRUE(QDir(autostart).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_FALSE(QFile::exists(autostart + "/../escaped.desktop"));
    // Deleting what is not there does nothing; the key is named without regard to case.
    EllReg::cancella_valore_reg(platform::HKEY_LOCAL_MACHINE, kRunKey, "tavoly");
    EllReg::scrivi_valore_reg(platform::HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\run",
                              "tavoly", platform::REG_SZ, "/bin/true S");
    EXPECT_EQ(exec_of(entry_path()), "/bin/true S");
    EllReg::cancella_valore_reg(platform::HKEY_LOCAL_MACHINE, kRunKey, "tavoly");
    EXPECT_FALSE(QFile::exists(entry_path()));
}

} // namespace
