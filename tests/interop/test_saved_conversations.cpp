#include "platform/files.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/main_fixture.h"

#include <QFileInfo>

using testing_support::windows_style;

namespace {

class SavedConversationsTest : public testing_support::MainFixture {
protected:
    void open_with(const std::string& picked)
    {
        doubles->open_file->answers.push_back(picked);
        form->Image13_Click();
    }
    // A folder, as the program's texts name it, with or without a write.exe.
    std::string folder(const std::string& name, bool with_write)
    {
        const QString native = dir.path() + "/" + QString::fromStdString(name);
        QDir().mkpath(native);
        if (with_write)
            testing_support::write_file(native + "/write.exe", "x");
        return windows_style(native.toStdString());
    }
};

TEST_F(SavedConversationsTest, TheDialogNamesTheContactAndTheLauncherIsLookedForInTwoFolders)
{
    start({{{"nick", "mario"}}});
    form->path_discussioni = "C:\\TinMessenger";
    open_with("");   // cancel: nothing opens, the folder of the moment is kept
    EXPECT_EQ(doubles->open_file->requests.at(0).title, "Conversations with mario");
    EXPECT_EQ(doubles->open_file->requests.at(0).initial_dir, "C:\\TinMessenger");
    EXPECT_EQ(form->path_discussioni, platform::current_folder());
    const std::string chosen = "C:\\Chat logs\\mario.rtf";
    form->dir_windows = folder("windows", true);
    form->dir_system = folder("windows/system", true);
    open_with(chosen);
    form->dir_windows = folder("empty", false);
    open_with(chosen);
    form->dir_system = folder("empty", false);
    open_with(chosen);
    ASSERT_EQ(doubles->programs->started.size(), 2u);
    EXPECT_EQ(doubles->programs->started[0].command_line, folder("windows", true) + "\\write.exe " + chosen);
    EXPECT_EQ(doubles->programs->started[1].command_line, folder("windows/system", true) + "\\write.exe " + chosen);
}

// The real launcher hands a path with blanks whole to the desktop's default application.
TEST_F(SavedConversationsTest, APathWithBlanksReachesTheDefaultApplicationWhole)
{
    testing_support::FakeDesktop desktop;
    desktop.add_application("editor", "text/rtf;application/rtf");
    const QByteArray saved_home = qgetenv("HOME");
    qputenv("HOME", dir.path().toUtf8());   // the launcher roots drive C at the home folder
    folder("Chat logs", false);
    testing_support::write_file(dir.path() + "/Chat logs/mario.rtf", "{\\rtf1 ciao}");
    start({{{"nick", "mario"}}});
    platform::services().programs = std::make_unique<platform::DetachedProgramStarter>();
    form->dir_windows = windows_style(QFileInfo(QStringLiteral(TAVOLY_WRITE)).absolutePath().toStdString());
    open_with("C:\\Chat logs\\mario.rtf");
    EXPECT_EQ(desktop.recorded("editor"), "[" + dir.path().toStdString() + "/Chat logs/mario.rtf]\n");
    qputenv("HOME", saved_home);
}

} // namespace
