#include "platform/files.h"
#include "platform/shell.h"
#include "tests/support/helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

using namespace platform;
using testing_support::error_number;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void TearDown() override { set_home_folder(""); QDir::setCurrent(saved_cwd_); }
    std::string root() const { return temp_.path().toStdString(); }
    std::string at(const std::string& name) const { return root() + "/" + name; }
    void write(const std::string& name, const std::string& bytes = "x") const
    {
        testing_support::write_file(QString::fromStdString(at(name)), bytes);
    }
    void make_folder(const std::string& name) const { QDir().mkpath(QString::fromStdString(at(name))); }
    static QString canonical(const std::string& p) { return QDir(QString::fromStdString(p)).canonicalPath(); }
    QTemporaryDir temp_;
    QString saved_cwd_ = QDir::currentPath();
};

} // namespace

TEST(FilesNativePath, ConvertsAtTheFileSystemEdge)
{
    set_home_folder("/home/u");
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\", "/home/u/"}, {"c:\\tavoly", "/home/u/tavoly"}, {"C:", "/home/u"}, {"C:/x/y", "/home/u/x/y"},
        {"C:TinMessenger", "/home/u/TinMessenger"}, {"/opt/tavoly\\contatti.mdb", "/opt/tavoly/contatti.mdb"},
        {"Cx\\y", "Cx/y"}, {"D:\\data\\x.txt", "D:/data/x.txt"}, {"\\\\server\\share", "//server/share"},
        {"", ""},
    };
    for (const auto& [windows, native] : cases)
        EXPECT_EQ(native_path(windows), native) << windows;
    set_home_folder("/home/u/");
    EXPECT_EQ(native_path("C:\\x"), "/home/u/x");
    set_home_folder("/");
    EXPECT_EQ(native_path("C:\\x") + native_path("C:"), "/x/");
    set_home_folder("");
    EXPECT_EQ(native_path("C:\\a"), (QDir::homePath() + "/a").toStdString());
    // A "\\" in the name of an existing native file is part of the name.
    QTemporaryDir temp;
    const std::string picked = temp.filePath("a\\b.jpg").toStdString();
    testing_support::write_file(QString::fromStdString(picked), "x");
    EXPECT_EQ(native_path(picked), picked);
    EXPECT_EQ(native_path(temp.path().toStdString() + "\\missing\\b.jpg"), temp.path().toStdString() + "/missing/b.jpg");
}

// The program folder is native: a "\\" in its name stays, even before the book exists.
TEST(FilesNativePath, TheProgramFolderIsNeverRewritten)
{
    QTemporaryDir temp;
    const std::string folder = temp.path().toStdString() + "/a\\b";
    set_program_folder(folder);
    EXPECT_EQ(native_path(folder + "\\contatti.mdb"), folder + "/contatti.mdb");
    EXPECT_EQ(native_path(folder + "\\PhotoDemo\\demo1.jpg"), folder + "/PhotoDemo/demo1.jpg");
    EXPECT_EQ(native_path(folder), folder);
    EXPECT_EQ(native_path(folder + "c\\x"), temp.path().toStdString() + "/a/bc/x") << "only the folder itself";
    set_program_folder("");
}

// Through drive C, rooted at the temporary folder, so the conversion is exercised too.
TEST_F(FilesTest, DirMatchFollowsTheAttributeBits)
{
    for (const char* folder : {"sub", ".hsub", "empty"})
        make_folder(folder);
    for (const char* file : {"plain.txt", ".hidden", "sub/inner.txt"})
        write(file);
    QFile::link(QString::fromStdString(at("gone")), QString::fromStdString(at("broken")));
    set_home_folder(root());
    const std::tuple<const char*, int, bool> cases[] = {
        {"plain.txt", 0, true}, {"missing.txt", 0, false}, {"PLAIN.TXT", 0, false}, {".hidden", 0, false},
        {".hidden", vbHidden, true}, {".hidden", vbSystem, false}, {"*.txt", 0, true}, {"*.doc", 0, false},
        {"su*", vbDirectory, true}, {".h*", 0, false}, {"sub\\", 0, true}, {"empty\\x*", vbDirectory, false},
        {"sub", 0, false}, {"sub", vbDirectory, true}, {".hsub", vbDirectory, false},
        {".hsub", vbDirectory | vbHidden, true}, {"broken", vbHidden | vbSystem | vbDirectory, false},
        {"pl?in.txt", 0, true}, {"pl?n.txt", 0, false}, {"su*", 0, false}, {".h*", vbHidden, true},
        {"", 0, true}, {"sub\\*.*", 0, true}, {"sub\\inner.txt", 0, true}, {"nofolder\\x.txt", 0, false},
        {"empty\\", 0, false}, {"empty\\", vbDirectory, true},   // every folder lists "." and ".."
    };
    for (const auto& [name, attributes, found] : cases)
        EXPECT_EQ(dir_match(std::string("c:\\") + name, attributes), found) << name << " with " << attributes;
    ASSERT_TRUE(QDir::setCurrent(temp_.path()));
    EXPECT_TRUE(dir_match("pl?in.txt"));
    EXPECT_TRUE(dir_match(""));
}

TEST_F(FilesTest, KillFileRemovesOnlyFilesAndTheCurrentFolderFollowsWindowsPaths)
{
    write("tavoly");
    make_folder("folder");
    set_home_folder(root());
    kill_file("c:\\tavoly");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(at("tavoly"))));
    EXPECT_EQ(error_number([&] { kill_file(at("tavoly")); }), errFileNotFound);
    EXPECT_EQ(error_number([&] { kill_file(at("folder")); }), errFileNotFound);
    EXPECT_TRUE(QDir(QString::fromStdString(at("folder"))).exists());
    set_current_folder("C:\\folder");
    EXPECT_EQ(canonical(current_folder()), canonical(at("folder")));
    EXPECT_EQ(error_number([] { set_current_folder("C:\\nowhere"); }), errPathNotFound);
    EXPECT_EQ(canonical(current_folder()), canonical(at("folder")));
}

TEST_F(FilesTest, TextIsUtf8ElseWindows1252AndSplitsOnEveryLineEnd)
{
    const std::pair<std::string, std::string> texts[] = {
        {"\xEF\xBB\xBF", ""}, {"caf\xC3\xA9", "caf\xC3\xA9"}, {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\x80\x8A\x92\x96\x9F", "\xE2\x82\xAC\xC5\xA0\xE2\x80\x99\xE2\x80\x93\xC5\xB8"},
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},   // undefined: kept
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                                   // overlong "/"
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},                   // a surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},   // above U+10FFFF
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},                               // cut short
        {"\xEF\xBB\xBF\xE9", "\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9"},           // a mark, then no UTF-8
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [bytes, text] : texts)
        EXPECT_EQ(decode_text(bytes), text) << testing::PrintToString(bytes);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}}, {"a\r\nb\r\n", {"a", "b"}}, {"a\nb", {"a", "b"}}, {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}}, {"a\n\rb", {"a", "", "b"}}, {"x\r\r\ny", {"x", "", "y"}},
        {" Nick;mail \r\n", {" Nick;mail "}}, {"Nicol\xF2\r\n", {"Nicol\xC3\xB2"}},
        {"\xEF\xBB\xBFnick\r\n", {"nick"}},
    };
    for (const auto& [bytes, lines] : cases) {
        write("export.txt", bytes);
        EXPECT_EQ(read_text_lines(root() + "\\export.txt"), lines) << testing::PrintToString(bytes);
    }
    make_folder("folder");
    EXPECT_EQ(error_number([&] { read_text_lines(at("nothing")); }), errFileNotFound);
    EXPECT_EQ(error_number([&] { read_text_file(at("folder")); }), errPathFileAccess);
}

// A command line the program starts ends its program at ".exe".
TEST(FilesCommandLine, ArgumentsJoinedByOneBlankAndTheProgramEndsAtExe)
{
    char a0[] = "tavoly", a1[] = "a b", a2[] = "", a3[] = "c";
    char* argv[] = {a0, a1, a2, a3};
    set_command_line(4, argv);
    EXPECT_EQ(command_line(), "a b  c");
    set_command_line(1, argv);
    EXPECT_EQ(command_line(), "");
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"C:\\Program Files\\app\\chk.exe http://a b/", "C:\\Program Files\\app\\chk.exe", "http://a b/"},
        {"/opt/x/WRITE.EXE  two blanks", "/opt/x/WRITE.EXE", " two blanks"}, {"/opt/x/chk.exe", "/opt/x/chk.exe", ""},
    };
    for (const auto& [line, program, tail] : cases) {
        const auto split = split_command_line(line);
        EXPECT_EQ(split.program + "|" + split.tail, std::string(program) + "|" + tail);
    }
}
