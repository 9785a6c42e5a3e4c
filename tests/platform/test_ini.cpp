#include "platform/ini.h"
#include "platform/settings.h"
#include "tests/support/helpers.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

using namespace platform;

namespace {

class IniReader : public ::testing::Test {
protected:
    std::string file(const std::string& bytes) const
    {
        testing_support::write_file(QString::fromStdString(path), bytes);
        return path;
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("set.txt")).toStdString();
};

TEST_F(IniReader, FindsTheValueAWindowsProgramWouldSee)
{
    const struct {
        const char* what;
        std::string bytes, section, key, expected;
    } cases[] = {
        {"LF endings", "[banner]\nattivo=1\nweb1=a\n", "banner", "web1", "a"},
        {"CR LF endings", "[banner]\r\nattivo=1\r\nweb1=a\r\n", "banner", "attivo", "1"},
        {"lone CR endings", "[banner]\rattivo=1\rweb1=a", "banner", "web1", "a"},
        {"names without regard to case", "[Banner]\nATTIVO=1\n", "bAnNeR", "attivo", "1"},
        {"case outside ASCII", "[Città]\nPerché=sì\n", "CITTÀ", "PERCHÉ", "sì"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[banner]\nattivo=1\n", "banner", "attivo", "1"},
        {"Windows-1252 bytes", "[Buddys]\n000=Caff\xE8 \x80\n", "Buddys", "000", "Caffè €"},
        {"blanks around =", "[banner]\n  attivo \t=\t 1 \t\n", "banner", "attivo", "1"},
        {"blanks around the section name", "  [ banner ]  \nattivo=1\n", "banner", "attivo", "1"},
        {"text after the section's ]", "[banner] ; news\nattivo=1\n", "banner", "attivo", "1"},
        {"= inside the value", "[mess1]\nlink1=http://x/?a=b\n", "mess1", "link1", "http://x/?a=b"},
        {"comment line", "[banner]\n;attivo=0\n  ; web1=x\nattivo=1\n", "banner", "attivo", "1"},
        {"commented-out section", ";[banner]\nattivo=1\n", "banner", "attivo", ""},
        {"# begins a key, no comment", "[banner]\n#attivo=0\n", "banner", "#attivo", "0"},
        {"key before any section", "attivo=1\n[banner]\n", "", "attivo", ""},
        {"line without =", "[banner]\nattivo\n", "banner", "attivo", ""},
        {"line with [ but no ]", "[banner]\n[web1=x\nattivo=1\n", "banner", "attivo", "1"},
        {"empty key name", "[banner]\n=1\n", "banner", "", ""},
        {"duplicate key: first wins", "[b]\nk=1\nk=2\n", "b", "k", "1"},
        {"duplicate section: first wins", "[b]\nk=1\n[c]\n[B]\nk=2\n", "b", "k", "1"},
        {"double quotes removed", "[a]\nk=\" x y \"\n", "a", "k", " x y "},
        {"one pair only", "[a]\nk=\"\"x\"\"\n", "a", "k", "\"x\""},
        {"unmatched quotes kept", "[a]\nk=\"x'\n", "a", "k", "\"x'"},
        {"line of 100,000 characters", "[a]\nj=" + std::string(100000, 'y') + "\nk=1\n", "a", "k", "1"},
        {"binary file with a NUL", std::string("[a]\nk=1\n\0\x01\xFF", 11), "a", "k", ""},
        {"NUL bytes at the end", std::string("[a]\nk=1\n\0\0", 10), "a", "k", "1"},
        {"a NUL ending the last line", std::string("[a]\nk=1\0", 8), "a", "k", "1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "", 255, file(c.bytes)).text, c.expected) << c.what;
}

// Nothing found gives the default without its trailing blanks.
TEST_F(IniReader, CutsToTheCapacityInCharactersAndCountsThemOrGivesTheDefaultWhateverTheBytes)
{
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "è";
    file("[a]\nk=abcdef\nlong=" + std::string(300, 'x') + "\naccents=" + accents + "\n");
    const std::tuple<const char*, std::size_t, std::string> cases[] = {
        {"k", 255, "abcdef"}, {"k", 4, "abc"}, {"k", 0, ""}, {"none", 255, ""},
        {"long", 255, std::string(254, 'x')}, {"accents", 255, accents.substr(0, 2 * 254)},
    };
    for (const auto& [key, capacity, text] : cases) {
        const auto got = GetPrivateProfileString("a", key, "", capacity, path);
        EXPECT_EQ(got.text, text) << key << " " << capacity;
        EXPECT_EQ(got.count, std::size_t(QString::fromStdString(text).size())) << key << " " << capacity;
    }
    const auto missing_key = GetPrivateProfileString("a", "j", "none  ", 255, path);
    EXPECT_EQ(missing_key.text + std::to_string(missing_key.count), "none4");
    EXPECT_EQ(GetPrivateProfileString("a", "k", "d", 255, path + ".missing").text, "d");
    EXPECT_EQ(GetPrivateProfileString("a", "k", "d", 255, dir.path().toStdString()).text, "d");
    std::string bytes;   // of every value but NUL, in many lines, some of them looking like sections
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += char((state >> 16) % 255 + 1);
        if (i % 997 == 0)
            bytes += "\n[a]\n";
    }
    EXPECT_LE(GetPrivateProfileString("a", "k", "", 255, file(bytes)).count, 254u);
}

// Without a cache every value reads the file anew: with the memory the file needs, not the
// most any text file may take (that made a read of a small file cost tens of milliseconds).
TEST_F(IniReader, ReadsWithoutACacheCostLittleForASmallFile)
{
    file("[mess1]\nintervallo=5000\n");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(GetPrivateProfileString("mess1", "intervallo", "", 255, path).text, "5000");
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST_F(IniReader, ACacheReadsEachFileOnceWhileItLives)
{
    file("[Buddys]\n001=anna\n");
    {
        const platform::IniFileCache cache;
        EXPECT_EQ(GetPrivateProfileString("Buddys", "001", "", 255, path).text, "anna");
        file("[Buddys]\n001=bice\n");
        EXPECT_EQ(GetPrivateProfileString("buddys", "001", "", 255, path).text, "anna");
    }
    EXPECT_EQ(GetPrivateProfileString("Buddys", "001", "", 255, path).text, "bice");
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { set_settings_folder(folder()); }
    void TearDown() override { set_settings_folder(""); }
    std::string folder() const { return temp_.path().toStdString(); }
    QTemporaryDir temp_;
};

// Read back from a copy: the process's shared memory would hide a value the file mangles.
TEST_F(SettingsTest, ValuesRoundTripExactlyThroughTheFile)
{
    const std::string values[] = {
        "s", "", " ", "  both  ", "a=b", ";x", "#x", "a, b", "C:\\TinMessenger", "\\\\server\\share",
        "\"quoted\"", "Nicol\xC3\xB2 \xF0\x9F\x98\x80", "@String(x)", "@", "line1\nline2", "x\r\ny",
        "\t", "true", "%41", "key=value\n[other]",
    };
    for (size_t n = 0; n < std::size(values); ++n)
        SaveSetting("tavoly", "Impostazioni", "k" + std::to_string(n), values[n]);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(settings_file("tavoly")),
                            QString::fromStdString(settings_file("copy"))));
    for (size_t n = 0; n < std::size(values); ++n) {
        EXPECT_EQ(GetSetting("copy", "Impostazioni", "k" + std::to_string(n), "-"), values[n])
            << testing::PrintToString(values[n]);
    }
}

// A folder that cannot be written gives the defaults.
TEST_F(SettingsTest, OneIniFilePerApplicationMadeWhereMissingAndAnUnwritableFolderFails)
{
    set_settings_folder(folder() + "/config/deeper");
    SaveSetting("tavoly", "Impostazioni", "suoni", "N");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "suoni", "S"), "N");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "S");
    EXPECT_EQ(GetSetting("tavoly", "Altro", "suoni", "x"), "x");
    EXPECT_EQ(GetSetting("other", "Impostazioni", "suoni", "S"), "S");
    QFile file(QString::fromStdString(folder() + "/config/deeper/tavoly.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().simplified(), "[Impostazioni] suoni=N");
    testing_support::write_file(QString::fromStdString(folder() + "/plainfile"), "");
    set_settings_folder(folder() + "/plainfile/config");
    EXPECT_EQ(testing_support::error_number([] { SaveSetting("tavoly", "Impostazioni", "avvio", "N"); }),
              errPathFileAccess);
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "S");
}

} // namespace
