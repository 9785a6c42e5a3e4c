// The main window's life cycle: start-up, first activation, hiding, the close request, exit.
#include "banner/CNetGet.h"
#include "contacts/Main.h"
#include "contacts/layout.h"
#include "desktop/EllReg.h"
#include "desktop/clsSysTray.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/end_request.h"
#include "platform/grid_control.h"
#include "platform/process.h"
#include "platform/services.h"
#include "platform/settings.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>

#include <algorithm>
#include <cstdio>

using platform::resume_next;

namespace {

std::string setting(const std::string& key, const std::string& default_value)
{
    return platform::GetSetting(platform::exe_name(), platform::kSettingsSection, key, default_value);
}

void save_setting(const std::string& key, const std::string& value)
{
    platform::SaveSetting(platform::exe_name(), platform::kSettingsSection, key, value);
}

int16_t lingua_impostata()
{
    return setting("lingua", "0") == "0" ? 0 : 1;
}

// Below this outer width the window is taken for minimised or squeezed and hides.
constexpr double kHideBelowWidth = 6816;
// The frame the old window system drew around the client area. A window manager that reports
// a thinner one, or none (a bare X server), must not make the window look narrower than it
// is: the fixed-size window would measure under the hiding width and vanish at every show.
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 405;
// What a minimised window measures.
constexpr double kMinimisedWidth = 2400;

double outer_twips(int inner, int outer, double nominal_frame)
{
    return platform::twips(inner) + std::max(platform::twips(outer - inner), nominal_frame);
}

// The outer width of the window in its normal state, whatever its state now.
double normal_width(const QWidget& window)
{
    return outer_twips(window.width(), window.frameGeometry().width(), kFrameWidth);
}

void riga_non_scritta(const platform::DataGrid& griglia, const std::string& motivo)
{
    std::string campi;
    for (int i = 0; i < griglia.model()->columnCount(); ++i)
        campi += (i == 0 ? "" : ", ") + griglia.model()->headerData(i, Qt::Horizontal).toString().toStdString()
            + "=" + griglia.Columns(i);
    std::fprintf(stderr, "The last change was not written to the contact book (%s): %s\n", motivo.c_str(),
                 campi.c_str());
}

} // namespace

Main::Main(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Tavoly? - www.tavoly.net"));
    setWindowIcon(QIcon(QStringLiteral(":/art/icon.svg")));
    setFixedSize(platform::px(layout::kClientWidth), platform::px(layout::kClientHeight));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    Data1.RecordSource = "select * from qContatti";
    descrivi_rubrica();
    crea_sfondo();
    crea_griglia();
    crea_scheda();
    crea_pannello_voti();
    crea_ricerca();
    crea_pannello_foto();
    crea_suoni();
    crea_menu();
    crea_banner();
    crea_menu_link();
    collega_griglia();
    // A session that ends does not ask the window to close; the close request's commit and
    // saving still run, so logging off loses no pending edit.
    platform::on(qApp, &QGuiApplication::commitDataRequest, this, "Form_QueryUnload", &Main::Form_QueryUnload);
}

Main::~Main()
{
    platform::guard("Form_Terminate", [this] { Form_Terminate(); });
    netget.reset();   // its end lets events run, so it goes while the window is still whole
    delete TDBGrid1;   // before the data controls it is bound to
    TDBGrid1 = nullptr;
}

void Main::crea_sfondo()
{
    sfondo = new platform::ImageControl(this);
    sfondo->setStretch(true);
    sfondo->setPicture(QIcon(QStringLiteral(":/art/background.svg")).pixmap(size(), devicePixelRatioF()));
    sfondo->setGeometry(rect());
    sfondo->lower();
    auto corner = [this](const char* name) {
        auto* c = new platform::ImageControl(this);
        c->setStretch(true);
        c->setPicture(QIcon(QString::fromLatin1(name)).pixmap(platform::px(layout::kCorner)));
        c->setWidthTw(layout::kCorner);
        c->setHeightTw(layout::kCorner);
        return c;
    };
    sfondo_sup_sin = corner(":/art/corner_tl.svg");
    sfondo_sup_des = corner(":/art/corner_tr.svg");
    sfondo_inf_sin = corner(":/art/corner_bl.svg");
    sfondo_inf_des = corner(":/art/corner_br.svg");

    const auto button = [this](const layout::Rect& r) {
        return platform::click_area(this, r, QCursor(Qt::PointingHandCursor));
    };
    Image4 = button(layout::kAbout);
    Image5 = button(layout::kExit);
    Image16 = button(layout::kHome);
    ImgHelp = button(layout::kHelp);
    ImgSet = button(layout::kOptions);
    Image10 = button(layout::kLinks);
    Image10->setToolTip(QStringLiteral("Links"));
    Image12 = button(layout::kImport);
    Image13 = button(layout::kConversations);
    platform::on(Image5, &platform::ImageControl::clicked, this, "Image5_Click", &Main::Image5_Click);
    platform::on(Image16, &platform::ImageControl::clicked, this, "Image16_Click", &Main::Image16_Click);
    platform::on(ImgHelp, &platform::ImageControl::clicked, this, "ImgHelp_Click", &Main::ImgHelp_Click);
    platform::on(Image4, &platform::ImageControl::clicked, this, "Image4_Click", &Main::Image4_Click);
    platform::on(Image13, &platform::ImageControl::clicked, this, "Image13_Click", &Main::Image13_Click);
    attendere = new QLabel(this);
    attendere->hide();
}

void Main::crea_menu()
{
    crea_menupop3();
    menupop4 = new QMenu(QStringLiteral("Pop4"), this);
    ImpOut = menupop4->addAction(QStringLiteral("Import from MS Outlook"));
    mnuimpdiv = menupop4->addSeparator();
    ImpC6 = menupop4->addAction(QStringLiteral("Import from C6"));
    collega_importazioni();
}

std::string Main::program_db() const
{
    return platform::program_folder() + "\\contatti.mdb";
}

bool Main::tray_shown() const
{
    return systray != nullptr && systray->IconShown != 0 && platform::tray_available();
}

double Main::Width() const
{
    return isMinimized() ? kMinimisedWidth : normal_width(*this);
}

double Main::Height() const
{
    return outer_twips(height(), frameGeometry().height(), kFrameHeight);
}

void Main::Form_Load()
{
    if (platform::PrevInstance())
        return;   // a copy is already running: no window, no tray icon, no setting touched
    loaded_ = true;
    const std::string args = platform::command_line();
    bool shown_here = false;
    resume_next([&] { setWindowState(args == "S" ? Qt::WindowMinimized : Qt::WindowNoState); });
    if (!systray)
        systray = std::make_unique<clsSysTray>();
    resume_next([&] { systray->Icon(windowIcon()); });
    resume_next([&] { systray->ToolTipText(windowTitle()); });
    resume_next([&] { systray->OwnerControl(PicTray); });
    resume_next([&] { systray->Add(); });
    resume_next([&] { applica_lingua(); });
    sito_primario = "http://www.example.com/tavoly/";
    sito_mirror = "http://mirror.example.org/tavoly/";
    sito_home = "http://www.example.com/";
    int errore_rubrica = 0;
    resume_next([&] { errore_rubrica = apre_rubrica(); });
    if (errore_rubrica != 0) {
        resume_next([&] { lingua = lingua_impostata(); });
        resume_next([&] { rubrica_inutilizzabile(errore_rubrica); });
        resume_next([&] { systray->Remove(); });
        platform::End();
        return;
    }
    resume_next([&] {
        const bool on = setting("suoni", "S") == "S";
        suono_on->setVisible(on);
        suono_off->setVisible(!on);
    });
    resume_next([&] { EllReg::avvio_disattivo = setting("avvio", "S") == "S" ? 0 : -1; });
    resume_next([&] { EllReg::imposta_avvio_automatico(); });
    resume_next([&] { avvioautom->setChecked(EllReg::avvio_disattivo == 0); });
    resume_next([&] { lingua = lingua_impostata(); });
    resume_next([&] { applica_lingua(); });
    resume_next([&] { Salvalingua(); });
    resume_next([&] {
        Data1.RecordSource = "select * from qcontatti";
        Data1.Refresh();
    });
    // A start minimised ("S") places the corners for the window the user will restore.
    resume_next([&] {
        const double width = normal_width(*this);
        sfondo_sup_sin->setLeftTw(0);
        sfondo_sup_des->setLeftTw(width - sfondo_sup_des->WidthTw() - 60);
        sfondo_inf_sin->setLeftTw(0);
        sfondo_inf_des->setLeftTw(width - sfondo_inf_des->WidthTw() - 60);
        sfondo_inf_sin->setTopTw(Height() - sfondo_inf_sin->HeightTw() - 360);
        sfondo_inf_des->setTopTw(Height() - sfondo_inf_des->HeightTw() - 360);
    });
    resume_next([&] { path_foto = setting("PathFoto", "C:\\"); });
    resume_next([&] { path_discussioni = setting("PathDiscussioni", "C:\\TinMessenger"); });
    resume_next([&] { path_c6 = setting("PathC6", "C:\\TinMessenger"); });
    resume_next([&] { dir_windows = GetWindowsDir(); });
    resume_next([&] { dir_system = GetWindowsSysDir(); });
    resume_next([&] {
        if (args.empty()) {
            long position = -1;
            resume_next([&] { position = Data1.recordset().AbsolutePosition(); });
            if (position != -1)
                return;
            setWindowState(Qt::WindowNoState);
            show();
            shown_here = true;
            const std::string question = lingua == 0
                ? "Do you want to import the list of the nick from MS Outlook or 'C6' Chat?"
                : "Vuoi importare la lista dei nick da MS Outlook o dalla Chat 'C6'?";
            if (platform::MsgBox(question, platform::vbYesNo | platform::vbQuestion, platform::app_title())
                == platform::vbYes)
                platform::services().popup_menu->popup(*menupop4);
        } else {
            show();
            shown_here = true;
            Form_Resize();   // the resize that showing fires, once the window is up
        }
    });
    resume_next([&] {
        if (!netget)
            netget = std::make_unique<CNetGet>();
        netget->Init();
    });
    // The loaded form shows itself unless the start-up already did (a start with "S" that the
    // resize handling hid must stay hidden).
    if (!shown_here)
        show();
}

void Main::Form_Activate()
{
    if (attivato)
        return;
    repaint();
    attivato = true;
    inizializza_banner();
    riempi_menu_link();
}

// Without a tray icon, hiding would leave the program running with no way back: the window
// then minimises the ordinary way and stays reachable.
void Main::Form_Resize()
{
    if (Width() < kHideBelowWidth) {
        if (tray_shown())
            hide();
    } else if (isHidden()) {
        show();
    }
}

bool Main::Form_QueryUnload()
{
    resume_next([&] { TDBGrid1->CommitRowEdit(); });
    resume_next([&] { save_setting("PathFoto", path_foto); });
    resume_next([&] { save_setting("PathDiscussioni", path_discussioni); });
    resume_next([&] { save_setting("PathC6", path_c6); });
    resume_next([&] {
        if (tray_shown())
            hide();
    });
    return true;
}

void Main::Image5_Click()
{
    if (systray)
        systray->Remove();
    ultimo_errore = 0;
    Form_QueryUnload();
    if (!uscita_confermata()) {
        if (systray)
            systray->Add();
        return;
    }
    platform::End();
}

// An edit the book refused to write (read-only, locked, full) is never dropped without the
// user's word; a duplicate nick has had its own message and goes.
bool Main::uscita_confermata()
{
    if (ultimo_errore == 0 || !TDBGrid1->DataChanged())
        return true;
    errore_da_segnalare = 0;   // this question tells it
    const std::string motivo = motivo_errore(ultimo_errore, false);
    const std::string domanda = lingua == 0
        ? "The last change could not be written to the contact book: " + motivo + ".\n\nExit anyway and lose it?"
        : "L'ultima modifica non può essere scritta nella rubrica: " + motivo + ".\n\nUscire comunque e perderla?";
    return platform::MsgBox(domanda, platform::vbYesNo | platform::vbExclamation | platform::vbDefaultButton2,
                            platform::app_title())
        == platform::vbYes;
}

// As the exit button, with nobody there to answer: a message goes to standard error. An edit
// that cannot be written is not half-written, nor dropped unseen: its fields and the reason go
// to standard error, and the program ends with a status that says it was lost.
void Main::termina_sessione()
{
    platform::set_unattended();
    if (systray)
        systray->Remove();
    ultimo_errore = 0;
    Form_QueryUnload();
    errore_da_segnalare = 0;
    if (TDBGrid1->DataChanged()) {
        riga_non_scritta(*TDBGrid1, ultimo_errore == 0 ? "refused" : motivo_errore(ultimo_errore, false));
        platform::set_exit_status(1);
    }
    platform::End();
}

void Main::chiudi_Click()
{
    Image5_Click();
}

void Main::Form_Terminate()
{
    if (!systray)
        systray = std::make_unique<clsSysTray>();
    systray->Remove();
}

void Main::closeEvent(QCloseEvent* e)
{
    bool cancel = true;
    platform::guard("Form_QueryUnload", [&] { cancel = Form_QueryUnload(); });
    if (cancel)
        e->ignore();
    else
        e->accept();
}

void Main::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // The resize that a show sends before the window is up must not hide it: the show would
    // still put it on screen, unknown to the program. The show handles it once it is up.
    if (loaded_ && isVisible())
        platform::guard("Form_Resize", [this] { Form_Resize(); });
}

void Main::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && loaded_)
        platform::guard("Form_Resize", [this] { Form_Resize(); });
}

bool Main::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && loaded_)
        platform::guard("Form_Activate", [this] { Form_Activate(); });
    return QWidget::event(e);
}
