#include "platform/failure.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

template <class F>
int error_number(F&& f)
{
    try {
        f();
    } catch (const StepError& e) {
        return e.number();
    }
    return 0;
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        saved_cwd_ = QDir::currentPath();
    }
    void TearDown() override
    {
        set_home_folder("");
        set_program_folder("");
        QDir::setCurrent(saved_cwd_);
    }

    std::string root() const { return temp_.path().toStdString(); }
    std::string at(const std::string& name) const { return root() + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const
    {
        QFile file(QString::fromStdString(at(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    void make_folder(const std::string& name) const
    {
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(at(name))));
    }

    QTemporaryDir temp_;
    QString saved_cwd_;
};

} // namespace

TEST(FilesNativePath, ConvertsAtTheFileSystemEdge)
{
    set_home_folder("/home/u");
    const struct {
        const char* windows;
        const char* native;
    } cases[] = {
        {"C:\\", "/home/u/"},
        {"c:\\tavoly", "/home/u/tavoly"},
        {"C:", "/home/u"},
        {"C:/x/y", "/home/u/x/y"},
        {"C:TinMessenger", "/home/u/TinMessenger"},
        {"C:\\TinMessenger\\", "/home/u/TinMessenger/"},
        {"c:\\brenvale.htm", "/home/u/brenvale.htm"},
        {"D:\\data\\x.txt", "D:/data/x.txt"},
        {"/opt/tavoly/contatti.mdb", "/opt/tavoly/contatti.mdb"},
        {"/opt/tavoly\\contatti.mdb", "/opt/tavoly/contatti.mdb"},
        {"relative\\file", "relative/file"},
        {"\\\\server\\share", "//server/share"},
        {"", ""},
        {"x:", "x:"},
        {"Cx\\y", "Cx/y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(native_path(c.windows), c.native) << c.windows;

    set_home_folder("/home/u/");
    EXPECT_EQ(native_path("C:\\x"), "/home/u/x");
    set_home_folder("/");
    EXPECT_EQ(native_path("C:\\x"), "/x");
    EXPECT_EQ(native_path("C:"), "/");
    set_home_folder("");
    EXPECT_EQ(native_path("C:\\a"), (QDir::homePath() + "/a").toStdString());
}

TEST_F(FilesTest, DirMatchFollowsTheAttributeBits)
{
    write("plain.txt", "x");
    write("readonly.txt", "x");
    QFile::setPermissions(QString::fromStdString(at("readonly.txt")), QFile::ReadOwner);
    write(".hidden", "x");
    make_folder("sub");
    write("sub/inner.txt", "x");
    make_folder(".hsub");
    make_folder("empty");
    QFile::link(QString::fromStdString(at("plain.txt")), QString::fromStdString(at("link.txt")));
    QFile::link(QString::fromStdString(at("gone")), QString::fromStdString(at("broken")));

    const struct {
        const char* name;
        int attributes;
        bool found;
    } cases[] = {
        {"plain.txt", 0, true},
        {"readonly.txt", 0, true},
        {"link.txt", 0, true},
        {"missing.txt", 0, false},
        {"PLAIN.TXT", 0, false},           // names keep their case on this file system
        {".hidden", 0, false},
        {".hidden", vbHidden, true},
        {".hidden", vbSystem, false},
        {".hidden", vbDirectory, false},
        {"sub", 0, false},
        {"sub", vbHidden | vbSystem, false},
        {"sub", vbDirectory, true},
        {".hsub", vbDirectory, false},
        {".hsub", vbDirectory | vbHidden, true},
        {"broken", vbHidden | vbSystem | vbDirectory, false},
        {"*.txt", 0, true},
        {"*.doc", 0, false},
        {"pl?in.txt", 0, true},
        {"pl?n.txt", 0, false},
        {"*a*n*", 0, true},
        {"su*", 0, false},
        {"su*", vbDirectory, true},
        {".h*", 0, false},
        {".h*", vbHidden, true},
        {"sub\\", 0, true},               // a folder's listing: its file inner.txt
        {"sub\\*.*", 0, true},
        {"sub\\*.doc", 0, false},
        {"empty\\", 0, false},
        {"empty\\*", 0, false},
        {"empty\\", vbDirectory, true},   // every folder lists "." and ".."
        {"empty\\x*", vbDirectory, false},
        {"nofolder\\x.txt", 0, false},
        {"nofolder\\*", vbDirectory, false},
        {"sub\\inner.txt", 0, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dir_match(root() + "\\" + c.name, c.attributes), c.found)
            << c.name << " with " << c.attributes;
    }
}

TEST_F(FilesTest, DirMatchOnDriveCAndRelativePaths)
{
    write("chkon", "");
    set_home_folder(root());
    EXPECT_TRUE(dir_match("C:\\chkon"));
    EXPECT_TRUE(dir_match("c:\\chk*"));
    EXPECT_FALSE(dir_match("C:\\chkoff"));
    EXPECT_TRUE(dir_match("C:\\"));     // the home folder holds a file

    ASSERT_TRUE(QDir::setCurrent(temp_.path()));
    EXPECT_TRUE(dir_match("chkon"));
    EXPECT_TRUE(dir_match("ch?on"));
    EXPECT_TRUE(dir_match(""));          // the current folder's listing
}

TEST_F(FilesTest, KillFileRemovesOnlyExistingFiles)
{
    write("chkoff", "");
    make_folder("folder");
    kill_file(root() + "\\chkoff");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(at("chkoff"))));
    EXPECT_EQ(error_number([&] { kill_file(at("chkoff")); }), errFileNotFound);
    EXPECT_EQ(error_number([&] { kill_file(at("folder")); }), errFileNotFound);
    EXPECT_TRUE(QDir(QString::fromStdString(at("folder"))).exists());

    write("tavoly", "x");
    set_home_folder(root());
    kill_file("c:\\tavoly");
    EXPECT_FALSE(dir_match("c:\\tavoly"));
}

TEST(FilesDecodeText, Utf8KeptElseWindows1252)
{
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"\xEF\xBB\xBF" "abc", "abc"},
        {"\xEF\xBB\xBF", ""},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"caf\xE9", "caf\xC3\xA9"},
        {"\x80", "\xE2\x82\xAC"},
        {"\x92", "\xE2\x80\x99"},
        {"\x9F", "\xC5\xB8"},
        {"\xFF", "\xC3\xBF"},
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                    // overlong "/"
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},    // a surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},  // above U+10FFFF
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},                // cut short
        {"\xEF\xBB\xBF\xE9", "\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9"},  // a mark, then no UTF-8
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decode_text(c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST(FilesDecodeText, EveryByteOfTheCodePageHasOneCharacter)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    const QString text = QString::fromUtf8(QByteArray::fromStdString(decode_text(bytes)));
    ASSERT_EQ(text.size(), 256);
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80 || b > 0x9F)
            EXPECT_EQ(text[b].unicode(), b) << b;
        else
            EXPECT_GE(text[b].unicode(), 0x80) << b;
    }
    EXPECT_EQ(text[0x8A].unicode(), 0x0160);
    EXPECT_EQ(text[0x96].unicode(), 0x2013);
}

TEST_F(FilesTest, ReadTextLinesSplitsOnEveryLineEnd)
{
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
        {"x\r\r\ny", {"x", "", "y"}},
        {" Nick;mail \r\n", {" Nick;mail "}},
        {"Nicol\xF2\r\n", {"Nicol\xC3\xB2"}},
        {"\xEF\xBB\xBFnick\r\n", {"nick"}},
    };
    for (const auto& c : cases) {
        write("export.txt", c.bytes);
        EXPECT_EQ(read_text_lines(root() + "\\export.txt"), c.lines)
            << testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(read_text_file(at("export.txt")), "nick\r\n");
}

TEST_F(FilesTest, ReadingMissingOrFolderFails)
{
    make_folder("folder");
    EXPECT_EQ(error_number([&] { read_text_file(at("nothing")); }), errFileNotFound);
    EXPECT_EQ(error_number([&] { read_text_lines(at("nothing")); }), errFileNotFound);
    EXPECT_EQ(error_number([&] { read_text_file(at("folder")); }), errPathFileAccess);
}

TEST_F(FilesTest, ProgramFolderIsTheExecutablesUnlessSet)
{
    EXPECT_EQ(program_folder(), QCoreApplication::applicationDirPath().toStdString());
    set_program_folder(root());
    EXPECT_EQ(program_folder(), root());
    set_program_folder("");
    EXPECT_EQ(program_folder(), QCoreApplication::applicationDirPath().toStdString());
}

TEST(FilesCommandLine, ArgumentsJoinedByOneBlank)
{
    const struct {
        std::vector<std::string> args;
        const char* line;
    } cases[] = {
        {{"tavoly"}, ""},
        {{"tavoly", "S"}, "S"},
        {{"tavoly", "s"}, "s"},
        {{"tavoly", "a b", "c"}, "a b c"},
        {{"tavoly", "", "x"}, " x"},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        for (const auto& a : c.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        set_command_line(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(command_line(), c.line);
    }
    char* none[] = {nullptr};
    set_command_line(0, none);
    EXPECT_EQ(command_line(), "");
}

TEST_F(FilesTest, CurrentFolderFollowsWindowsPaths)
{
    make_folder("Discussioni");
    set_home_folder(root());
    set_current_folder("C:\\Discussioni");
    EXPECT_EQ(QDir(QString::fromStdString(current_folder())).canonicalPath(),
              QDir(QString::fromStdString(at("Discussioni"))).canonicalPath());
    EXPECT_EQ(error_number([] { set_current_folder("C:\\nowhere"); }), errPathNotFound);
    EXPECT_EQ(QDir(QString::fromStdString(current_folder())).canonicalPath(),
              QDir(QString::fromStdString(at("Discussioni"))).canonicalPath());
}
