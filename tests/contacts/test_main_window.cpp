// Start-up, settings, the first-run question, the close request and the exit.
#include "tests/support/main_fixture.h"

#include "desktop/EllReg.h"
#include "desktop/clsSysTray.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/services.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <functional>
#include <utility>

using testing_support::MainFixture;

namespace {

const std::vector<testing_support::Contact> kTwo = {
    {{"nick", "Anna"}, {"nome", "Anna Rossi"}, {"email", "anna@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Bruno Verdi"}},
};

class MainWindowTest : public MainFixture {};

// Sees every event of the application while it lives.
class EventWatcher : public QObject {
public:
    explicit EventWatcher(std::function<void(const QEvent&)> seen) : seen_(std::move(seen))
    {
        qApp->installEventFilter(this);
    }
    ~EventWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        seen_(*e);
        return false;
    }

private:
    std::function<void(const QEvent&)> seen_;
};

std::function<void()> look_at_the_start;

void look_once()   // the looks themselves run steps and send events
{
    static bool looking = false;
    if (std::exchange(looking, true))
        return;
    look_at_the_start();
    looking = false;
}

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
        EXPECT_EQ(form->suono_off->isHidden(), missing);
        EXPECT_EQ(EllReg::avvio_disattivo, missing ? 0 : -1);
        EXPECT_EQ(form->avvioautom->isChecked(), missing);
        EXPECT_EQ(form->path_foto, "C:\\");
        EXPECT_EQ(form->path_discussioni, "C:\\TinMessenger");
        EXPECT_EQ(form->path_c6, "C:\\TinMessenger");
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
    QCloseEvent again;
    QCoreApplication::sendEvent(form.get(), &again);
    EXPECT_FALSE(again.isAccepted());
    EXPECT_EQ(setting("PathFoto"), "C:\\Other");
    form->Image5_Click();
    EXPECT_TRUE(ended);
    EXPECT_EQ(messages(), std::vector<std::string>(2, "The nick is already existing in list!"));
    for (const auto& shown : doubles->messages->shown)
        EXPECT_EQ(shown.style, platform::vbCritical | platform::vbOKOnly);
    EXPECT_EQ(stored_count(), 2);
    EXPECT_EQ(stored("Bruno")["nome"], "Bruno Verdi");
}

// With no tray icon on the desktop from the start, hiding would leave the program unreachable.
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

// The first activation redraws the window and starts the banner; a later one does neither.
TEST_F(MainWindowTest, OnlyTheFirstActivationRedraws)
{
    start(kTwo);
    QCoreApplication::processEvents();   // on screen, so that a redraw paints
    form->attivato = false;
    int paints = 0;
    const EventWatcher counter([&](const QEvent& e) { paints += e.type() == QEvent::Paint; });
    const auto activate = [&] {
        paints = 0;
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form.get(), &activation);
        return paints;
    };
    EXPECT_GT(activate(), 0);
    EXPECT_EQ(activate(), 0);
}

// At every step of the start-up the steps done so far must be the first ones of its order,
// each seen by what it leaves behind; every setting differs from its default so that each
// step shows.
TEST_F(MainWindowTest, TheStartUpRunsItsStepsInOrder)
{
    testing_support::make_book(program, {});
    preset("suoni", "N");
    preset("avvio", "S");
    preset("lingua", "2");
    preset("PathFoto", "C:\\Foto");
    preset("PathDiscussioni", "C:\\Chats");
    preset("PathC6", "C:\\C6");
    doubles->messages->answers.push_back(platform::vbNo);
    std::string no_argument = "tavoly";
    char* argv[] = {no_argument.data()};
    platform::set_command_line(1, argv);
    form = std::make_unique<Main>();
    Main& f = *form;
    // What each step leaves that was not there before it.
    f.setWindowState(Qt::WindowMaximized);
    f.ord[0]->setText("");   // among the first texts set: its change is an event within the step
    f.chiudi->setText("");
    f.suono_on->setVisible(true);
    f.suono_off->setVisible(false);
    f.avvioautom->setChecked(false);
    f.mnuLanItalian->setChecked(false);
    f.sfondo_sup_des->setLeftTw(-990);
    f.sfondo_inf_des->setTopTw(-990);
    EllReg::avvio_disattivo = 5;
    const QString entry = dir.path() + "/config/autostart/tavoly.desktop";
    const auto tray_added = [this] {
        return !doubles->tray->calls.empty() && doubles->tray->calls[0].message == platform::NIM_ADD;
    };
    const std::vector<std::pair<const char*, std::function<bool()>>> steps = {
        {"2 window state", [&] { return f.windowState() == Qt::WindowNoState; }},
        {"3 tray tip", [&] { return f.systray && f.systray->ToolTipText().contains(f.windowTitle()); }},
        {"3 tray owner", [&] { return f.systray && f.systray->OwnerControl() == f.PicTray; }},
        {"3 tray add", tray_added},
        {"4 English texts", [&] { return !f.chiudi->text().isEmpty(); }},
        {"5 sites", [&] { return !f.sito_primario.empty() && !f.sito_mirror.empty() && !f.sito_home.empty(); }},
        {"6 book", [&] { return !f.Data1.DatabaseName.empty() && !f.Data2.DatabaseName.empty(); }},
        {"7 sounds", [&] { return f.suono_on->isHidden() && !f.suono_off->isHidden(); }},
        {"8 avvio read", [&] { return EllReg::avvio_disattivo == 0; }},
        {"8 start-up entry", [&] { return QFile::exists(entry); }},
        {"8 avvio checked", [&] { return f.avvioautom->isChecked(); }},
        {"9 lingua read", [&] { return f.lingua == 1; }},
        {"9 Italian texts", [&] { return f.chiudi->text() == "Uscita"; }},
        {"9 lingua saved", [&] { return f.mnuLanItalian->isChecked() && setting("lingua") == "1"; }},
        {"10 record source", [&] { return f.Data1.RecordSource == "select * from qcontatti"; }},
        {"11 corners", [&] { return f.sfondo_sup_des->LeftTw() != -990 && platform::twips(f.sfondo_inf_des->y()) != -990; }},
        {"12 PathFoto", [&] { return f.path_foto == "C:\\Foto"; }},
        {"12 PathDiscussioni", [&] { return f.path_discussioni == "C:\\Chats"; }},
        {"12 PathC6", [&] { return f.path_c6 == "C:\\C6"; }},
        {"13 Windows folder", [&] { return !f.dir_windows.empty(); }},
        {"13 system folder", [&] { return !f.dir_system.empty(); }},
        {"14 question", [&] { return !doubles->messages->shown.empty() && f.isVisible(); }},
        {"15 page fetcher", [&] { return f.netget != nullptr; }},
    };
    std::vector<std::string> out_of_order;
    size_t most = 0;
    look_at_the_start = [&] {
        size_t done = 0;
        while (done < steps.size() && steps[done].second())
            ++done;
        for (size_t k = done + 1; k < steps.size(); ++k)
            if (steps[k].second())
                out_of_order.push_back(std::string(steps[k].first) + " before " + steps[done].first);
        most = std::max(most, done);
    };
    look_at_the_start();
    ASSERT_EQ(most, 0u);
    ASSERT_TRUE(out_of_order.empty()) << out_of_order.front();
    {   // after every step, and at every event within one
        platform::after_step = look_once;
        const EventWatcher watcher([](const QEvent&) { look_once(); });
        f.Form_Load();
        platform::after_step = nullptr;
    }
    look_at_the_start();
    EXPECT_EQ(out_of_order, std::vector<std::string>{});
    EXPECT_EQ(most, steps.size());
}

} // namespace
