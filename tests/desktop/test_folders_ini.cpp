// The Windows and system folders and the INI reading routine of the main window.
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

using testing_support::windows_style;

namespace {

void set_windir(const char* value) { value ? qputenv("WINDIR", value) : qunsetenv("WINDIR"); }

class FoldersIni : public testing_support::MainFixture {
protected:
    void TearDown() override { set_windir(had_windir ? saved_windir.constData() : nullptr); MainFixture::TearDown(); }
    const bool had_windir = qEnvironmentVariableIsSet("WINDIR");
    const QByteArray saved_windir = qgetenv("WINDIR");
};

TEST_F(FoldersIni, WindowsFoldersLieInTheProgramFolderUnlessWindirNamesOne)
{
    form = std::make_unique<Main>();
    for (const char* windir : {static_cast<const char*>(nullptr), "", "/opt/finestre/"}) {
        set_windir(windir);
        const std::string windows = windir && *windir ? "/opt/finestre" : program + "/windows";
        EXPECT_EQ(form->GetWindowsDir(), windows);
        EXPECT_EQ(form->GetWindowsSysDir(), windows + "/system");
    }
}

// What the routine adds to the reader: trailing blanks go, also after the cut to 254 characters.
TEST_F(FoldersIni, ReadIniFileGivesTheValueRightTrimmedAndCut)
{
    form = std::make_unique<Main>();
    const std::string file = windows_style(program + "/set.txt");
    testing_support::write_file(QString::fromStdString(program + "/set.txt"),
                                "[banner]\r\nattivo = 1   \r\nspazi=\"   \"\r\ndavanti=\"  testo  \"\r\n"
                                "taglio=" + std::string(253, 'x') + "  yy\r\n");
    const std::pair<const char*, std::string> cases[] = {
        {"attivo", "1"}, {"davanti", "  testo"}, {"spazi", ""}, {"taglio", std::string(253, 'x')}, {"web1", ""}};
    for (const auto& [key, value] : cases)
        EXPECT_EQ(form->ReadIniFile(file, "banner", key), value) << key;
    EXPECT_EQ(form->ReadIniFile(file + ".old", "banner", "attivo"), "");
    EXPECT_EQ(form->StripTerminator(std::string("ab\0cd\0", 6)), "ab");
}

} // namespace
