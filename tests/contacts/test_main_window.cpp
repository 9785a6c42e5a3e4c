// Start-up, settings, the first-run question, the close request and the exit.
#include "tests/support/main_fixture.h"

#include "desktop/EllReg.h"
#include "platform/services.h"

#include <QCloseEvent>
#include <QCoreApplication>

using testing_support::MainFixture;

namespace {

const std::vector<testing_support::Contact> kTwo = {
    {{"nick", "Anna"}, {"nome", "Anna Rossi"}, {"email", "anna@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Bruno Verdi"}},
};

class MainWindowTest : public MainFixture {};

// Only a start without arguments over an empty book offers the import; "S" starts hidden.
TEST_F(MainWindowTest, TheArgumentsAndTheBookDecideWhatTheStartShowsAndAsks)
{
    const char* const english = "Do you want to import the list of the nick from MS Outlook or 'C6' Chat?";
    const char* const italian = "Vuoi importare la lista dei nick da MS Outlook o dalla Chat 'C6'?";
    const struct {
        const char* args;
        bool contacts;
        const char* lingua;
        int answer;
        const char* asked;   // nullptr: nothing asked
        bool shown_normally;
    } cases[] = {
        {"S", false, "0", platform::vbYes, nullptr, false}, {"s", false, "0", platform::vbYes, nullptr, true},
        {"", true, "0", platform::vbYes, nullptr, true},    {"", false, "0", platform::vbYes, english, true},
        {"", false, "0", platform::vbNo, english, true},    {"", false, "1", platform::vbNo, italian, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.args << "\" " << c.contacts << ' ' << c.answer);
        form.reset();
        doubles.reset();
        doubles = std::make_unique<testing_support::ServiceDoubles>();
        doubles->messages->answers = {c.answer};
        preset("lingua", c.lingua);
        start(c.contacts ? kTwo : std::vector<testing_support::Contact>{}, c.args);
        EXPECT_EQ(messages(), c.asked ? std::vector<std::string>{c.asked} : std::vector<std::string>{});
        const bool menu = c.asked && c.answer == platform::vbYes;
        EXPECT_EQ(doubles->popup_menu->shown, menu ? std::vector<QMenu*>{form->menupop4} : std::vector<QMenu*>{});
        EXPECT_EQ(form->isVisible() && !form->isMinimized(), c.shown_normally);
    }
}

// Values are compared exactly ("s" is not "S"); the language read is written back.
TEST_F(MainWindowTest, SettingsAreReadExactlyAndTheLanguageIsWrittenBack)
{
    for (const bool missing : {true, false}) {
        SCOPED_TRACE(missing);
        form.reset();
        if (!missing) {
            preset("lingua", "2");
            preset("suoni", "s");
            preset("avvio", "N");
        }
        start({});
        EXPECT_EQ(form->lingua, missing ? 0 : 1);
        EXPECT_EQ(setting("lingua"), missing ? "0" : "1");
        EXPECT_EQ(form->suono_on->isHidden(), !missing);
        EXPECT_EQ(EllReg::avvio_disattivo, missing ? 0 : -1);
        EXPECT_EQ(form->avvioautom->isChecked(), missing);
    }
}

// Both ways out write the pending edit and save the folders; neither writes a duplicate nick.
TEST_F(MainWindowTest, TheWayOutWritesThePendingEditSavesTheFoldersAndNeverADuplicate)
{
    start(kTwo);
    form->path_foto = "C:\\Pictures";
    form->path_discussioni = "C:\\Chats";
    form->path_c6 = "C:\\C6";
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 1));
    form->TDBGrid1->userEditCell(1, "Anna Bianchi");
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_FALSE(ended);
    EXPECT_EQ(stored("Anna")["nome"], "Anna Bianchi");
    EXPECT_EQ(setting("PathFoto") + setting("PathDiscussioni") + setting("PathC6"), "C:\\PicturesC:\\ChatsC:\\C6");
    EXPECT_TRUE(doubles->messages->shown.empty());
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    form->TDBGrid1->userEditCell(0, "anna");
    form->path_foto = "C:\\Other";
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_EQ(setting("PathFoto"), "C:\\Other");
    form->Image5_Click();
    EXPECT_TRUE(ended);
    EXPECT_EQ(messages(), std::vector<std::string>(2, "The nick is already existing in list!"));
    EXPECT_EQ(stored_count(), 2);
    EXPECT_EQ(stored("Bruno")["nome"], "Bruno Verdi");
}

} // namespace
