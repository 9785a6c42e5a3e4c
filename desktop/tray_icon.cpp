// The tray icon's messages, the options menu and the button that opens it.
#include "contacts/Main.h"
#include "platform/bind.h"
#include "platform/runtime.h"
#include "platform/services.h"

using platform::guard;

namespace {

// How long a hidden window waits, at most, to learn that the tray went away.
constexpr int kTrayCheckMs = 1000;

} // namespace

void Main::crea_menupop3()
{
    menupop3 = new QMenu(QStringLiteral("pop3"), this);
    avvioautom = menupop3->addAction(QStringLiteral("Execution automatic"));
    avvioautom->setCheckable(true);
    mnuLan = menupop3->addMenu(QStringLiteral("Language"));
    mnuLanEnglish = mnuLan->addAction(QStringLiteral("English"));
    mnuLanEnglish->setCheckable(true);
    mnuLanItalian = mnuLan->addAction(QStringLiteral("Italian"));
    mnuLanItalian->setCheckable(true);
    divpop3 = menupop3->addSeparator();
    chiudi = menupop3->addAction(QStringLiteral("Exit"));
    // The handler owns the check mark: the menu's own toggle is taken back before it runs.
    connect(avvioautom, &QAction::triggered, this, [this](bool checked) {
        avvioautom->setChecked(!checked);
        guard("avvioautom_Click", [this] { avvioautom_Click(); });
    });
    platform::on(mnuLanEnglish, &QAction::triggered, this, "mnuLanEnglish_Click", &Main::mnuLanEnglish_Click);
    platform::on(mnuLanItalian, &QAction::triggered, this, "mnuLanItalian_Click", &Main::mnuLanItalian_Click);
    platform::on(chiudi, &QAction::triggered, this, "chiudi_Click", &Main::chiudi_Click);

    PicTray = new platform::PictureBox(this);
    PicTray->hide();
    platform::on(PicTray, &platform::PictureBox::MouseMove, this, "PicTray_MouseMove", &Main::PicTray_MouseMove);
    platform::on(ImgSet, &platform::ImageControl::clicked, this, "ImgSet_Click", &Main::ImgSet_Click);

    TimerTray = new platform::TimerControl(this, kTrayCheckMs, true);
    platform::on(TimerTray, &platform::TimerControl::Timer, this, "sorveglia_tray", &Main::sorveglia_tray);
}

// The icon's mouse message arrives as X, in twips of its number in pixels.
void Main::PicTray_MouseMove(int, int, float X, float)
{
    const std::string messaggio = platform::Hex(platform::CLng(X));
    if (messaggio == "1E3C") {
        platform::services().popup_menu->popup(*menupop3);
    } else if (messaggio == "1E0F" || messaggio == "1E2D") {
        setWindowState(Qt::WindowNoState);
        show();
    }
}

void Main::ImgSet_Click()
{
    platform::services().popup_menu->popup(*menupop3);
}

void Main::sorveglia_tray()
{
    if (loaded() && isHidden() && !tray_shown()) {
        setWindowState(Qt::WindowNoState);
        show();
    }
}
