// The Windows and system folders and the INI reading routine of the main window.
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

using testing_support::windows_style;

namespace {

void set_windir(const char* value)
{
    if (value)
        qputenv("WINDIR", value);
    else
        qunsetenv("WINDIR");
}

class FoldersIni : public testing_support::MainFixture {
protected:
    void TearDown() override
    {
        set_windir(had_windir ? saved_windir.constData() : nullptr);
        MainFixture::TearDown();
    }
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

TEST_F(FoldersIni, ReadIniFileGivesTheValueRightTrimmedAndCut)
{
    form = std::make_unique<Main>();
    const std::string file = windows_style(program + "/set.txt");
    testing_support::write_file(QString::fromStdString(program + "/set.txt"),
                                "[banner]\r\nattivo = 1   \r\nvuoto=\r\nspazi=\"   \"\r\n"
                                "davanti=\"  testo  \"\r\nlungo=" + std::string(300, 'x')
                                    + "\r\ntaglio=" + std::string(253, 'x') + "  yy\r\n");
    const struct {
        std::string file, section, key, value;
    } cases[] = {
        {file, "banner", "attivo", "1"}, {file, "banner", "davanti", "  testo"},
        {file, "banner", "spazi", ""}, {file, "banner", "lungo", std::string(254, 'x')},
        {file, "banner", "taglio", std::string(253, 'x')}, {file, "banner", "vuoto", ""},
        {file, "banner", "web1", ""}, {file, "mess1", "attivo", ""},
        {file + ".old", "banner", "attivo", ""}, {windows_style(program), "banner", "attivo", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(form->ReadIniFile(c.file, c.section, c.key), c.value) << c.file << " " << c.key;
    EXPECT_EQ(form->StripTerminator(std::string("ab\0cd\0", 6)), "ab");
}

} // namespace
