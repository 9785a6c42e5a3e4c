#include "platform/ini.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <string>

namespace {

class IniFile {
public:
    explicit IniFile(const std::string& bytes)
    {
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    const std::string& path() const { return path_; }

private:
    QTemporaryDir dir_;
    std::string path_ = dir_.filePath(QStringLiteral("set.txt")).toStdString();
};

std::string read(const std::string& bytes, const std::string& section, const std::string& key)
{
    IniFile file(bytes);
    return platform::GetPrivateProfileString(section, key, "", 255, file.path()).text;
}

struct Case {
    const char* what;
    std::string bytes;
    std::string section;
    std::string key;
    std::string expected;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }
};

class IniReading : public ::testing::TestWithParam<Case> {};

TEST_P(IniReading, FindsTheValueAWindowsProgramWouldSee)
{
    const Case& c = GetParam();
    EXPECT_EQ(read(c.bytes, c.section, c.key), c.expected) << c.what;
}

const std::string k300(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReading,
    ::testing::Values(
        Case{"LF endings", "[banner]\nattivo=1\nweb1=a\n", "banner", "web1", "a"},
        Case{"CR LF endings", "[banner]\r\nattivo=1\r\nweb1=a\r\n", "banner", "attivo", "1"},
        Case{"lone CR endings", "[banner]\rattivo=1\rweb1=a", "banner", "web1", "a"},
        Case{"last line without end", "[banner]\nattivo=1", "banner", "attivo", "1"},
        Case{"names without regard to case", "[Banner]\nATTIVO=1\n", "bAnNeR", "attivo", "1"},
        Case{"case outside ASCII", "[Città]\nPerché=sì\n", "CITTÀ", "PERCHÉ", "sì"},
        Case{"UTF-8 byte-order mark", "\xEF\xBB\xBF[banner]\nattivo=1\n", "banner", "attivo", "1"},
        Case{"Windows-1252 bytes", "[Buddys]\n000=Caff\xE8 \x80\n", "Buddys", "000", "Caffè €"},
        Case{"blanks around =", "[banner]\n  attivo \t=\t 1 \t\n", "banner", "attivo", "1"},
        Case{"blanks around the section name", "  [ banner ]  \nattivo=1\n", "banner", "attivo", "1"},
        Case{"text after the section's ]", "[banner] ; news\nattivo=1\n", "banner", "attivo", "1"},
        Case{"= inside the value", "[mess1]\nlink1=http://x/?a=b\n", "mess1", "link1", "http://x/?a=b"},
        Case{"empty value", "[banner]\nattivo=\n", "banner", "attivo", ""},
        Case{"comment line", "[banner]\n;attivo=0\n  ; web1=x\nattivo=1\n", "banner", "attivo", "1"},
        Case{"commented-out section", ";[banner]\nattivo=1\n", "banner", "attivo", ""},
        Case{"# is no comment", "[banner]\n#attivo=0\n", "banner", "attivo", ""},
        Case{"# begins a key", "[banner]\n#attivo=0\n", "banner", "#attivo", "0"},
        Case{"key before any section", "attivo=1\n[banner]\n", "banner", "attivo", ""},
        Case{"key before any section, empty name", "attivo=1\n[banner]\n", "", "attivo", ""},
        Case{"line without =", "[banner]\nattivo\n", "banner", "attivo", ""},
        Case{"line with [ but no ]", "[banner]\n[web1=x\nattivo=1\n", "banner", "attivo", "1"},
        Case{"empty key name", "[banner]\n=1\n", "banner", "", ""},
        Case{"duplicate key: first wins", "[b]\nk=1\nk=2\n", "b", "k", "1"},
        Case{"duplicate section: first wins", "[b]\nk=1\n[c]\n[B]\nk=2\n", "b", "k", "1"},
        Case{"duplicate section: later one unseen", "[b]\nk=1\n[b]\nj=2\n", "b", "j", ""},
        Case{"key of another section", "[a]\nk=1\n[b]\nj=2\n", "b", "k", ""},
        Case{"missing section", "[a]\nk=1\n", "b", "k", ""},
        Case{"missing key", "[a]\nk=1\n", "a", "j", ""},
        Case{"double quotes removed", "[a]\nk=\" x y \"\n", "a", "k", " x y "},
        Case{"single quotes removed", "[a]\nk='x'\n", "a", "k", "x"},
        Case{"one pair only", "[a]\nk=\"\"x\"\"\n", "a", "k", "\"x\""},
        Case{"unmatched quotes kept", "[a]\nk=\"x'\n", "a", "k", "\"x'"},
        Case{"a lone quote kept", "[a]\nk=\"\n", "a", "k", "\""},
        Case{"quotes inside kept", "[a]\nk=a \"b\" c\n", "a", "k", "a \"b\" c"},
        Case{"value cut to 254", "[a]\nk=" + k300 + "\n", "a", "k", k300.substr(0, 254)},
        Case{"line of 100,000 characters",
             "[a]\nj=" + std::string(100000, 'y') + "\nk=1\n", "a", "k", "1"},
        Case{"binary file with a NUL", std::string("[a]\nk=1\n\0\x01\xFF", 11), "a", "k", ""}),
    [](const ::testing::TestParamInfo<Case>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(IniReader, CountsTheCharactersCopied)
{
    IniFile file("[a]\nk=abc\nlong=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(platform::GetPrivateProfileString("a", "k", "", 255, file.path()).count, 3u);
    const auto cut = platform::GetPrivateProfileString("a", "long", "", 255, file.path());
    EXPECT_EQ(cut.count, 254u);
    EXPECT_EQ(cut.text.size(), 254u);
    EXPECT_EQ(platform::GetPrivateProfileString("a", "none", "", 255, file.path()).count, 0u);
}

TEST(IniReader, CutsCharactersNotBytes)
{
    std::string value;
    for (int i = 0; i < 300; ++i)
        value += "è";
    IniFile file("[a]\nk=" + value + "\n");
    const auto cut = platform::GetPrivateProfileString("a", "k", "", 255, file.path());
    EXPECT_EQ(cut.count, 254u);
    EXPECT_EQ(cut.text, value.substr(0, 2 * 254));
}

TEST(IniReader, GivesTheDefaultWithoutTrailingBlanksWhenNothingIsFound)
{
    IniFile file("[a]\nk=1\n");
    const auto missing_key = platform::GetPrivateProfileString("a", "j", "none  ", 255, file.path());
    EXPECT_EQ(missing_key.text, "none");
    EXPECT_EQ(missing_key.count, 4u);
    QTemporaryDir dir;
    const std::string nowhere = dir.filePath(QStringLiteral("missing.ini")).toStdString();
    EXPECT_EQ(platform::GetPrivateProfileString("a", "k", "d", 255, nowhere).text, "d");
    EXPECT_EQ(platform::GetPrivateProfileString("a", "k", "d", 255, dir.path().toStdString()).text, "d");
}

TEST(IniReader, RespectsTheCapacity)
{
    IniFile file("[a]\nk=abcdef\n");
    EXPECT_EQ(platform::GetPrivateProfileString("a", "k", "", 4, file.path()).text, "abc");
    const auto none = platform::GetPrivateProfileString("a", "k", "", 0, file.path());
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.count, 0u);
}

// Bytes of every value but NUL, in many lines, some of them looking like sections.
TEST(IniReader, SurvivesArbitraryBytes)
{
    std::string bytes;
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        const char c = char((state >> 16) % 255 + 1);
        bytes += c;
        if (i % 997 == 0)
            bytes += "\n[a]\n";
    }
    IniFile file(bytes);
    const auto r = platform::GetPrivateProfileString("a", "k", "", 255, file.path());
    EXPECT_LE(r.count, 254u);
}

} // namespace
