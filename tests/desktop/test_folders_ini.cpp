// The Windows and system folders and the INI reading routine of the main window.
#include "tests/support/main_fixture.h"

#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fstream>
#include <optional>

using testing_support::MainFixture;

namespace {

std::string windows_style(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// Sets or clears WINDIR for one test and puts the old value back.
class WindirVariable {
public:
    WindirVariable()
    {
        if (const char* v = std::getenv("WINDIR"))
            saved_ = v;
    }
    ~WindirVariable()
    {
        if (saved_)
            qputenv("WINDIR", QByteArray::fromStdString(*saved_));
        else
            qunsetenv("WINDIR");
    }
    void set(const std::string& value) { qputenv("WINDIR", QByteArray::fromStdString(value)); }
    void clear() { qunsetenv("WINDIR"); }

private:
    std::optional<std::string> saved_;
};

class FoldersIni : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        form = std::make_unique<Main>();
    }
    WindirVariable windir;
};

TEST_F(FoldersIni, WindowsFoldersLieInTheProgramFolder)
{
    windir.clear();
    EXPECT_EQ(form->GetWindowsDir(), program + "/windows");
    EXPECT_EQ(form->GetWindowsSysDir(), program + "/windows/system");
}

TEST_F(FoldersIni, TheWindirVariableNamesTheWindowsFolder)
{
    windir.set("/opt/finestre/");
    EXPECT_EQ(form->GetWindowsDir(), "/opt/finestre");
    EXPECT_EQ(form->GetWindowsSysDir(), "/opt/finestre/system");
    windir.set("");
    EXPECT_EQ(form->GetWindowsDir(), program + "/windows");
}

TEST_F(FoldersIni, TheWindowsFolderAndANameInsideItNameAFile)
{
    windir.clear();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(program + "/windows")));
    QFile(QString::fromStdString(program + "/windows/write.exe")).open(QIODevice::WriteOnly);
    const std::string write = form->GetWindowsDir() + "\\write.exe";
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(platform::native_path(write))));
}

TEST_F(FoldersIni, StripTerminatorCutsAtTheFirstNul)
{
    using namespace std::string_literals;
    EXPECT_EQ(form->StripTerminator("C:\\WINDOWS"), "C:\\WINDOWS");
    EXPECT_EQ(form->StripTerminator("\0abc"s), "");
    EXPECT_EQ(form->StripTerminator("ab\0cd\0"s), "ab");
    EXPECT_EQ(form->StripTerminator(""), "");
}

class ReadIniFile : public FoldersIni {
protected:
    void SetUp() override
    {
        FoldersIni::SetUp();
        file = windows_style(program + "/set.txt");
        std::ofstream(platform::native_path(file), std::ios::binary)
            << "[banner]\r\n"
               "attivo = 1   \r\n"
               "vuoto=\r\n"
               "spazi=\"   \"\r\n"
               "davanti=\"  testo  \"\r\n"
               "lungo=" << std::string(300, 'x') << "\r\n"
               "taglio=" << std::string(253, 'x') << "  yy\r\n";
    }
    std::string file;
};

TEST_F(ReadIniFile, GivesTheValueRightTrimmedAndCut)
{
    EXPECT_EQ(form->ReadIniFile(file, "banner", "attivo"), "1");
    EXPECT_EQ(form->ReadIniFile(file, "banner", "davanti"), "  testo");
    EXPECT_EQ(form->ReadIniFile(file, "banner", "spazi"), "");
    EXPECT_EQ(form->ReadIniFile(file, "banner", "lungo"), std::string(254, 'x'));
    EXPECT_EQ(form->ReadIniFile(file, "banner", "taglio"), std::string(253, 'x'));
}

TEST_F(ReadIniFile, GivesAnEmptyTextWhenThereIsNoValue)
{
    EXPECT_EQ(form->ReadIniFile(file, "banner", "vuoto"), "");
    EXPECT_EQ(form->ReadIniFile(file, "banner", "web1"), "");
    EXPECT_EQ(form->ReadIniFile(file, "mess1", "attivo"), "");
    EXPECT_EQ(form->ReadIniFile(file + ".old", "banner", "attivo"), "");
    EXPECT_EQ(form->ReadIniFile(windows_style(program), "banner", "attivo"), "");
}

} // namespace
