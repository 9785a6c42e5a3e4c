// Start-up, settings, the first-run question, the close request and the exit.
#include "tests/support/main_fixture.h"

#include "desktop/EllReg.h"
#include "platform/files.h"
#include "platform/services.h"

#include <QCloseEvent>
#include <QCoreApplication>

using testing_support::MainFixture;

namespace {

const std::vector<testing_support::Contact> kTwo = {
    {{"nick", "Anna"}, {"nome", "Anna Rossi"}, {"email", "anna@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Bruno Verdi"}},
};

const char* const kImportQuestion = "Do you want to import the list of the nick from MS Outlook or 'C6' Chat?";

class MainWindowTest : public MainFixture {};

class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& paints) : paints_(paints) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints_ += e->type() == QEvent::Paint;
        return false;
    }

private:
    int& paints_;
};

// Only a start without arguments over an empty book offers the import, in the language of
// the settings; "S" (upper case only) keeps the window from showing normally.
TEST_F(MainWindowTest, TheArgumentsAndTheBookDecideWhatTheStartShowsAndAsks)
{
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
        {"", true, "0", platform::vbYes, nullptr, true},    {"", false, "0", platform::vbYes, kImportQuestion, true},
        {"", false, "0", platform::vbNo, kImportQuestion, true}, {"", false, "1", platform::vbNo, italian, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.args << "\" " << c.contacts << ' ' << c.answer);
        form.reset();
        doubles.reset();
        doubles = std::make_unique<testing_support::ServiceDoubles>();
        doubles->messages->answers = {c.answer};
        preset("lingua", c.lingua);
        start(c.contacts ? kTwo : std::vector<testing_support::Contact>{}, c.args);
        if (c.asked) {
            ASSERT_EQ(doubles->messages->shown.size(), 1u);
            const auto& asked = doubles->messages->shown[0];
            EXPECT_EQ(asked.text, c.asked);
            EXPECT_EQ(asked.style, platform::vbYesNo | platform::vbQuestion);
            EXPECT_EQ(asked.title, "Tavoly");
        } else {
            EXPECT_TRUE(doubles->messages->shown.empty());
        }
        const bool menu = c.asked && c.answer == platform::vbYes;
        EXPECT_EQ(doubles->popup_menu->shown, menu ? std::vector<QMenu*>{form->menupop4} : std::vector<QMenu*>{});
        EXPECT_EQ(form->isVisible() && !form->isMinimized(), c.shown_normally);
        EXPECT_EQ(doubles->internet->agents, std::vector<std::string>{"tavoly"});   // the fetcher's Init
    }
    // Started with "S", the corners are placed once, for the window the user will restore.
    form.reset();
    start({}, "S");
    EXPECT_EQ(form->sfondo_sup_des->LeftTw(), 6750 + 120 - 300 - 60);
    EXPECT_EQ(form->sfondo_inf_des->LeftTw(), 6750 + 120 - 300 - 60);
}

TEST_F(MainWindowTest, SettingsAreReadExactlyAndTheLanguageIsWrittenBack)
{
    preset("lingua", "2");
    preset("suoni", "s");
    preset("avvio", "N");
    start(kTwo);
    EXPECT_EQ(form->lingua, 1);
    EXPECT_EQ(setting("lingua"), "1");
    EXPECT_TRUE(form->suono_on->isHidden());
    EXPECT_FALSE(form->suono_off->isHidden());
    EXPECT_EQ(EllReg::avvio_disattivo, -1);
    EXPECT_FALSE(form->avvioautom->isChecked());
}

TEST_F(MainWindowTest, MissingSettingsTakeTheirDefaults)
{
    start(kTwo);
    EXPECT_EQ(form->lingua, 0);
    EXPECT_EQ(setting("lingua"), "0");
    EXPECT_FALSE(form->suono_on->isHidden());
    EXPECT_TRUE(form->suono_off->isHidden());
    EXPECT_EQ(EllReg::avvio_disattivo, 0);
    EXPECT_TRUE(form->avvioautom->isChecked());
    EXPECT_EQ(form->path_foto, "C:\\");
    EXPECT_EQ(form->path_discussioni, "C:\\TinMessenger");
    EXPECT_EQ(form->path_c6, "C:\\TinMessenger");
}

TEST_F(MainWindowTest, AMissingBookCountsAsEmptyAndTheStartGoesOn)
{
    testing_support::make_book(program, {});
    QFile::remove(QString::fromStdString(program + "/contatti.mdb"));
    std::string arg0 = "tavoly";
    char* argv[] = {arg0.data()};
    platform::set_command_line(1, argv);
    form = std::make_unique<Main>();
    form->Form_Load();
    EXPECT_TRUE(form->loaded());
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, kImportQuestion);
}

TEST_F(MainWindowTest, TheCloseBoxCommitsSavesTheFoldersAndRefuses)
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
    EXPECT_EQ(stored("Anna")["nome"], "Anna Bianchi");
    EXPECT_EQ(setting("PathFoto"), "C:\\Pictures");
    EXPECT_EQ(setting("PathDiscussioni"), "C:\\Chats");
    EXPECT_EQ(setting("PathC6"), "C:\\C6");
    EXPECT_FALSE(ended);
}

// With no tray icon on the desktop, hiding would leave the program unreachable.
TEST_F(MainWindowTest, WithoutATrayIconTheWindowIsNeverHiddenOutOfReach)
{
    doubles->tray->present = false;
    start(kTwo);
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_TRUE(form->isVisible());
    form->setWindowState(Qt::WindowMinimized);
    form->Form_Resize();
    EXPECT_FALSE(form->isHidden());
}

// A pending duplicate nick is refused with its message by the close box and by the exit
// alike; the folders are saved all the same, and the exit still ends the program.
TEST_F(MainWindowTest, APendingDuplicateNickIsNeverWrittenOnTheWayOut)
{
    start(kTwo);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    form->TDBGrid1->userEditCell(0, "anna");
    form->path_foto = "C:\\Pictures";
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(setting("PathFoto"), "C:\\Pictures");
    form->Image5_Click();
    EXPECT_TRUE(ended);
    ASSERT_EQ(doubles->messages->shown.size(), 2u);
    for (const auto& shown : doubles->messages->shown) {
        EXPECT_EQ(shown.text, "The nick is already existing in list!");
        EXPECT_EQ(shown.style, platform::vbCritical | platform::vbOKOnly);
    }
    EXPECT_EQ(stored_count(), 2);
    EXPECT_EQ(stored("Bruno")["nome"], "Bruno Verdi");
}

// The first activation redraws the window and starts the banner; a later one does neither.
TEST_F(MainWindowTest, OnlyTheFirstActivationRedraws)
{
    start(kTwo);
    QCoreApplication::processEvents();   // on screen, so that a redraw paints
    form->attivato = false;
    int paints = 0;
    PaintCounter counter(paints);
    qApp->installEventFilter(&counter);
    const auto activate = [&] {
        paints = 0;
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form.get(), &activation);
        return paints;
    };
    EXPECT_GT(activate(), 0);
    EXPECT_EQ(activate(), 0);
}

} // namespace
