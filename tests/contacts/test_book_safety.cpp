// The book is never silently lost: unusable books and refused writes are told, edits kept.
#include "platform/data_control.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <sys/fsuid.h>
#include <chrono>
#include <filesystem>

using testing_support::MainFixture;
using testing_support::press;
using testing_support::read_file;

namespace {

// Permissions are checked as an ordinary user on this thread: the tests may run as root.
struct AsOrdinaryUser {
    AsOrdinaryUser() { setfsgid(65534); setfsuid(65534); }
    ~AsOrdinaryUser() { setfsuid(0); setfsgid(0); }
};

class BookSafetyTest : public MainFixture {
protected:
    std::string book() const { return program + "/contatti.mdb"; }
    QLineEdit* editor() const
    {
        for (QLineEdit* line : form->TDBGrid1->findChildren<QLineEdit*>())
            if (!line->isHidden())
                return line;
        return nullptr;
    }
};

TEST_F(BookSafetyTest, ABookThatCannotBeUsedIsNamedWithItsReasonAndTheProgramEndsLeavingIt)
{
    testing_support::make_book(program, {{{"nick", "Anna"}}});
    const std::string good = read_file(book());
    // The control's own tests go through every kind of bad file; here each reason is named.
    const std::pair<std::string, const char*> cases[] = {
        {std::string(4096, 'x'), "it does not open with the program's password"},   // as another key's book
        {good.substr(0, good.size() - 1024), "it is damaged"},
        {"", "it is not a contact book"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        testing_support::write_file(QString::fromStdString(book()), bytes);
        doubles->messages->shown.clear();
        ended = false;
        load("");
        ASSERT_EQ(messages().size(), 1u);   // no first-run question: the book is not empty
        EXPECT_NE(messages()[0].find(book()), std::string::npos);
        EXPECT_NE(messages()[0].find(reason), std::string::npos) << messages()[0];
        EXPECT_TRUE(ended);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(read_file(book()), bytes);
        form.reset();
    }
    // In use by another program, told in the user's language.
    testing_support::write_file(QString::fromStdString(book()), good);
    auto other = std::make_unique<testing_support::RawBook>(book());
    other->exec("begin exclusive");
    platform::set_lock_wait(100);
    preset("lingua", "1");
    doubles->messages->shown.clear();
    load();
    platform::set_lock_wait(3000);
    other.reset();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].find("non può essere aperta: un altro programma la sta usando"), std::string::npos);
    EXPECT_EQ(read_file(book()), good);
}

TEST_F(BookSafetyTest, AMissingBookIsMadeAnewAndTheStartGoesOnAsForAnEmptyOne)
{
    load("");
    EXPECT_FALSE(ended);
    EXPECT_TRUE(form->loaded());
    EXPECT_EQ(messages(), std::vector<std::string>{   // the first-run question of an empty book
                              "Do you want to import the list of the nick from MS Outlook or 'C6' Chat?"});
    type_new_nick("Zed");
    form->TDBGrid1->CommitRowEdit();
    EXPECT_EQ(stored("Zed")["nick"], "Zed");
    EXPECT_EQ(stored("Zed")["espr1"], "0");   // the shipped query, not just a table
}

// A read-only book, then folder: the edit stays, is told once, and the exit asks before dropping it.
TEST_F(BookSafetyTest, AWriteTheBookRefusesIsToldOnceAndKeepsItsEditUntilItCanBeWritten)
{
    namespace fs = std::filesystem;
    using fs::perms;
    testing_support::make_book(program, {{{"nick", "Anna"}}});
    fs::permissions(dir.path().toStdString(), perms::owner_all | perms::others_read | perms::others_exec);
    const std::pair<std::string, const char*> cases[] = {
        {book(), "the file is read-only"},
        {program, "its folder cannot be written"},
    };
    for (const auto& [locked, reason] : cases) {
        SCOPED_TRACE(reason);
        fs::permissions(program, perms::all);
        fs::permissions(book(), perms::all);
        fs::permissions(locked, perms::owner_write | perms::group_write | perms::others_write,
                        fs::perm_options::remove);
        doubles->messages->shown.clear();
        ended = false;
        {
            AsOrdinaryUser user;
            load();
            ASSERT_FALSE(ended) << (messages().empty() ? "" : messages()[0]);
            type_new_nick("Zed");
            EXPECT_FALSE(form->TDBGrid1->userMoveTo(0, 0));
            EXPECT_FALSE(form->TDBGrid1->userMoveTo(0, 0));
            QApplication::processEvents();
            ASSERT_EQ(messages().size(), 1u);
            EXPECT_NE(messages()[0].find(reason), std::string::npos) << messages()[0];
            EXPECT_NE(messages()[0].find("It stays on the row"), std::string::npos);
            EXPECT_EQ(form->TDBGrid1->Columns(0), "Zed");
            doubles->messages->answers = {platform::vbNo};
            form->Image5_Click();
            EXPECT_FALSE(ended);
            ASSERT_EQ(messages().size(), 2u);
            EXPECT_NE(messages()[1].find("Exit anyway and lose it?"), std::string::npos);
            EXPECT_TRUE(form->TDBGrid1->DataChanged());
        }
        fs::permissions(locked, perms::all);
        {
            AsOrdinaryUser user;
            EXPECT_TRUE(form->TDBGrid1->userMoveTo(0, 0));   // written once the book lets it
            QApplication::processEvents();
            EXPECT_EQ(messages().size(), 2u);
            EXPECT_EQ(stored("Zed")["nick"], "Zed");
            form.reset();
        }
        testing_support::make_book(program, {{{"nick", "Anna"}}});
    }
}

TEST_F(BookSafetyTest, ABookRemovedUnderTheProgramTakesNoWriteIntoTheVoid)
{
    start({{{"nick", "Anna"}}});
    std::filesystem::remove(book());
    type_new_nick("Zed");
    EXPECT_FALSE(form->TDBGrid1->userMoveTo(0, 0));
    QApplication::processEvents();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].find("the file was removed or replaced"), std::string::npos) << messages()[0];
    EXPECT_TRUE(form->TDBGrid1->DataChanged());
}

TEST_F(BookSafetyTest, DamageAQueryMeetsLaterIsToldLikeAWriteFailure)
{
    std::vector<testing_support::Contact> contacts;
    for (int i = 0; i < 200; ++i)
        contacts.push_back({{"nick", "n" + std::to_string(i)}, {"nome", std::string(60, 'a' + i % 26)}});
    start(contacts);
    // Every page but the first, which the open has read, under the running program.
    std::string bytes = read_file(book());
    for (size_t i = 1024; i < bytes.size(); i += 7)
        bytes[i] = static_cast<char>(~bytes[i]);
    QFile f(QString::fromStdString(book()));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(bytes.data(), qint64(bytes.size()));
    f.close();
    // An order whose index the start has not read, so the damage is met on the disk.
    form->ord_Click(3);
    QApplication::processEvents();
    form->ord_Click(3);
    QApplication::processEvents();
    ASSERT_EQ(messages().size(), 1u);   // once
    EXPECT_NE(messages()[0].find("could not be read: it is damaged"), std::string::npos) << messages()[0];
}

TEST_F(BookSafetyTest, ARowLeftWithoutANickIsNeverWrittenAndEscLetsGoOfARefusedRow)
{
    start({{{"nick", "Anna"}, {"nome", "Anna Rossi"}}, {{"nick", "Bruno"}}});
    platform::DataGrid& grid = *form->TDBGrid1;
    // A letter typed and erased on the add-new row: nothing is written, nothing is said.
    type_new_nick("a");
    grid.userEditCell(0, "");
    EXPECT_TRUE(grid.userMoveTo(0, 0));
    EXPECT_EQ(stored_count(), 2);
    EXPECT_TRUE(messages().empty());
    // A stored contact whose nick is erased is refused and keeps its edit.
    grid.userEditCell(0, "");
    EXPECT_FALSE(grid.userMoveTo(1, 0));
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick miss!"});
    EXPECT_TRUE(grid.DataChanged());
    EXPECT_EQ(stored("Anna")["nick"], "Anna");
    press(&grid, Qt::Key_Escape);
    EXPECT_FALSE(grid.DataChanged());
    EXPECT_EQ(grid.Columns(0), "Anna");
    // First Esc undoes the cell being typed, the next the row's whole pending edit.
    grid.userEditCell(1, "Anna Verdi");
    press(editor(), Qt::Key_Return);
    grid.userEditCell(0, "Bruno");
    press(editor(), Qt::Key_Escape);
    EXPECT_EQ(grid.Columns(0), "Anna");
    EXPECT_EQ(grid.Columns(1), "Anna Verdi");
    press(&grid, Qt::Key_Escape);
    EXPECT_EQ(grid.Columns(1), "Anna Rossi");
    EXPECT_EQ(form->lnick->text(), "Anna");
    // A refused duplicate on a new row goes with Esc, and the user can leave.
    type_new_nick("BRUNO");
    EXPECT_FALSE(grid.userMoveTo(0, 0));
    press(&grid, Qt::Key_Escape);
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_TRUE(grid.userMoveTo(0, 0));
    EXPECT_EQ(messages().size(), 2u);
    EXPECT_EQ(stored_count(), 2);
}

TEST_F(BookSafetyTest, ARunawayPatternSearchesALongNickInLinearTime)
{
    start({{{"nick", std::string(300, 'a')}}, {{"nick", "b"}}});
    form->find->setText(QStringLiteral("*a*a*a*a*ab"));
    const auto begin = std::chrono::steady_clock::now();
    form->Image6_Click();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(50));
    EXPECT_TRUE(form->Data1.recordset().NoMatch());
    form->find->setText(QStringLiteral("*a*a*a*a*a"));
    form->Image6_Click();
    EXPECT_EQ(form->TDBGrid1->Columns(0), std::string(300, 'a'));
}

} // namespace
