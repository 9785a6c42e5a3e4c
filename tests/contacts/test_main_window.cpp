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

TEST_F(MainWindowTest, StartWithSAndAnEmptyBookAsksNothingAndIsNotShownNormally)
{
    start({}, "S");
    EXPECT_TRUE(doubles->messages->shown.empty());
    EXPECT_TRUE(form->isHidden() || form->isMinimized());
    // The corners are placed once, for the window the user will restore.
    EXPECT_EQ(form->sfondo_sup_des->LeftTw(), 6750 + 120 - 300 - 60);
    EXPECT_EQ(form->sfondo_inf_des->LeftTw(), 6750 + 120 - 300 - 60);
}

TEST_F(MainWindowTest, AnyOtherArgumentShowsTheWindowAndAsksNothing)
{
    start({}, "s");
    EXPECT_TRUE(doubles->messages->shown.empty());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
}

TEST_F(MainWindowTest, NoArgumentAndAnEmptyBookOffersTheImport)
{
    doubles->messages->answers = {platform::vbYes};
    start({}, "");
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    const auto& asked = doubles->messages->shown[0];
    EXPECT_EQ(asked.text, kImportQuestion);
    EXPECT_EQ(asked.style, platform::vbYesNo | platform::vbQuestion);
    EXPECT_EQ(asked.title, "Tavoly");
    ASSERT_EQ(doubles->popup_menu->shown.size(), 1u);
    EXPECT_EQ(doubles->popup_menu->shown[0], form->menupop4);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindowTest, NoToTheImportLeavesTheEmptyBookOnScreen)
{
    doubles->messages->answers = {platform::vbNo};
    start({}, "");
    EXPECT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_TRUE(doubles->popup_menu->shown.empty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindowTest, NoArgumentAndABookWithContactsAsksNothing)
{
    start(kTwo, "");
    EXPECT_TRUE(doubles->messages->shown.empty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindowTest, TheImportQuestionIsItalianWhenTheLanguageIs)
{
    preset("lingua", "1");
    start({}, "");
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "Vuoi importare la lista dei nick da MS Outlook o dalla Chat 'C6'?");
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

TEST_F(MainWindowTest, TheCloseBoxWithAPendingDuplicateNickShowsTheMessageAndWritesNothing)
{
    start(kTwo);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    form->TDBGrid1->userEditCell(0, "anna");
    form->path_foto = "C:\\Pictures";
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_FALSE(close.isAccepted());
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "The nick is already existing in list!");
    EXPECT_EQ(doubles->messages->shown[0].style, platform::vbCritical | platform::vbOKOnly);
    EXPECT_EQ(stored("Bruno")["nome"], "Bruno Verdi");
    EXPECT_EQ(setting("PathFoto"), "C:\\Pictures");
}

TEST_F(MainWindowTest, ExitWithAPendingDuplicateShowsTheMessageThenEndsWithoutWriting)
{
    start(kTwo);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    form->TDBGrid1->userEditCell(0, "ANNA");
    form->Image5_Click();
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "The nick is already existing in list!");
    EXPECT_TRUE(ended);
    EXPECT_EQ(stored_count(), 2);
    EXPECT_FALSE(stored("Bruno").empty());
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
