// The news banner on the main window: one message of "set.txt" after another, each for its own
// display time, lines that scroll when the message is wider than the box, and their links.
#include "banner/banner_safety.h"
#include "contacts/Main.h"
#include "platform/bind.h"
#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/pictures.h"
#include "platform/runtime.h"
#include "platform/timer.h"

#include <QFontMetricsF>
#include <QPalette>

#include <cstdlib>
#include <limits>

using platform::resume_next;

namespace {

// The box's border: its inner area is 60 twips smaller each way.
constexpr int kBorder = 30;
constexpr int kBoxLeft = 1500, kBoxTop = 180, kBoxWidth = 3075, kBoxHeight = 1035;
constexpr int kInnerWidth = kBoxWidth - 2 * kBorder, kInnerHeight = kBoxHeight - 2 * kBorder;
constexpr std::array<int, 4> kLineTop{0, 60, 360, 660};
constexpr int kLineHeight = 270;
constexpr double kLineFontPoints = 9.75;
constexpr double kNoteFontPoints = 8.25;
// Font sizes the box can draw at all; anything else is refused and the size stays.
constexpr double kSmallestPoints = 1, kLargestPoints = 1638;

QFont banner_font(double points)
{
    QFont font = platform::design_font(points);
    font.setBold(false);
    return font;
}

QColor palette_colour(int index)
{
    return QColor::fromRgb(platform::QBColor(index));
}

// The old runtime's direct conversion of a text to a whole number: the whole text must be a
// number (blanks around it allowed); anything else is a type mismatch.
int16_t whole_number(const std::string& text)
{
    const std::string trimmed = platform::Trim(text);
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (trimmed.empty() || end != trimmed.c_str() + trimmed.size())
        throw platform::StepError(platform::errTypeMismatch, "Type mismatch");
    return platform::CInt(value);
}

int32_t checked_sum(int32_t a, int64_t b)
{
    const int64_t sum = int64_t(a) + b;
    if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max())
        throw platform::StepError(platform::errOverflow, "Overflow");
    return int32_t(sum);
}

} // namespace

bool banner_scorre(double larghezza_box, int32_t larghezza_testo)
{
    return larghezza_box - 60 < larghezza_testo;
}

void Main::crea_banner()
{
    PicBanner = new QFrame(this);
    PicBanner->setFrameStyle(QFrame::Box | QFrame::Plain);
    PicBanner->setLineWidth(platform::px(kBorder));
    PicBanner->setAutoFillBackground(true);
    platform::place(PicBanner, kBoxLeft, kBoxTop, kBoxWidth, kBoxHeight);
    colore_sfondo_banner(15);

    // The four controls count their places from the box's inner area and are cut at its
    // edge: a line at Left 0, or one scrolling out, leaves the border whole.
    auto* inner = new QWidget(PicBanner);
    platform::place(inner, kBorder, kBorder, kInnerWidth, kInnerHeight);
    ImBanner = new platform::ImageControl(inner);
    ImBanner->setStretch(true);
    platform::place(ImBanner, 0, 0, kInnerWidth, kInnerHeight);
    for (int16_t i = 1; i <= 3; ++i) {
        auto* line = new platform::LabelControl(inner);
        line->setFont(banner_font(kLineFontPoints));
        line->setAttribute(Qt::WA_TranslucentBackground);
        line->setTopTw(kLineTop[i]);
        line->setHeightTw(kLineHeight);
        LblBanner[i] = line;
        platform::on(line, &platform::LabelControl::clicked, this, "LblBanner_Click", &Main::LblBanner_Click, i);
    }
    TxtBanner = new QPlainTextEdit(inner);
    TxtBanner->setReadOnly(true);
    TxtBanner->setFocusPolicy(Qt::NoFocus);
    TxtBanner->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TxtBanner->setFont(banner_font(kNoteFontPoints));
    platform::place(TxtBanner, 0, 0, kInnerWidth, kInnerHeight);
    TxtBanner->hide();
    PicBanner->hide();
    platform::on(ImBanner, &platform::ImageControl::clicked, this, "ImBanner_Click", &Main::ImBanner_Click);

    Timer1 = new platform::TimerControl(this, 4000);
    Timer2 = new platform::TimerControl(this, 500);
    platform::on(Timer1, &platform::TimerControl::Timer, this, "Timer1_Timer", &Main::Timer1_Timer);
    platform::on(Timer2, &platform::TimerControl::Timer, this, "Timer2_Timer", &Main::Timer2_Timer);
}

void Main::colore_sfondo_banner(int indice)
{
    QPalette palette = PicBanner->palette();
    palette.setColor(QPalette::Window, palette_colour(indice));
    PicBanner->setPalette(palette);
}

void Main::Timer1_Timer()
{
    const platform::IniFileCache una_lettura;   // the tick asks the file for a dozen values
    resume_next([&] { Timer1->setEnabled(false); });
    resume_next([&] { Timer2->setEnabled(false); });
    std::string file;
    resume_next([&] { file = platform::program_folder() + "\\set.txt"; });
    std::string sezione;
    resume_next([&] {
        num_messaggio = platform::CInt(num_messaggio + 1.0);
    });
    resume_next([&] { sezione = "mess" + std::to_string(num_messaggio); });
    const auto leggi = [&](const char* chiave) { return ReadIniFile(file, sezione, chiave); };
    double durata = 0;
    resume_next([&] { durata = platform::Val(leggi("intervallo")); });
    if (durata == 0) {
        resume_next([&] {
            num_messaggio = 1;
            sezione = "mess1";
            durata = platform::Val(leggi("intervallo"));
        });
    }
    for (int i = 1; i <= 3; ++i)
        resume_next([&] { LblBanner[i]->setLeftTw(0); });
    for (int i = 1; i <= 3; ++i)
        resume_next([&] { LblBanner[i]->setCaption(leggi(("testo" + std::to_string(i)).c_str())); });
    for (int i = 1; i <= 3; ++i)
        resume_next([&] { LblBanner[i]->repaint(); });
    resume_next([&] {
        const std::string nota = leggi("note");
        TxtBanner->setPlainText(QString::fromStdString(nota));
        TxtBanner->setVisible(!nota.empty());
    });
    for (int i = 1; i <= 3; ++i)
        resume_next([&] { LblBanner[i]->Tag = leggi(("link" + std::to_string(i)).c_str()); });
    resume_next([&] { ImBanner->Tag = leggi("linkI"); });
    for (int i = 1; i <= 3; ++i)
        resume_next([&] { puntatore_banner(LblBanner[i], LblBanner[i]->Tag); });
    resume_next([&] { puntatore_banner(ImBanner, ImBanner->Tag); });
    resume_next([&] { colori_banner(leggi("forecolor"), leggi("backcolor")); });
    resume_next([&] { dimensione_banner(platform::Val(leggi("fontsize"))); });
    resume_next([&] { disposizione_banner(); });
    resume_next([&] { immagine_banner(leggi("immagine")); });
    resume_next([&] { passo_scorrimento = platform::CLng(platform::Val(leggi("velocita"))); });
    resume_next([&] { Timer1->setInterval(platform::CLng(durata)); });
    resume_next([&] {
        larghezza_testo = platform::CLng(LblBanner[1]->WidthTw());
        for (int i = 2; i <= 3; ++i)
            if (LblBanner[i]->WidthTw() > larghezza_testo)
                larghezza_testo = platform::CLng(LblBanner[i]->WidthTw());
    });
    resume_next([&] {
        if (banner_scorre(platform::twips(PicBanner->width()), larghezza_testo)) {
            pos_scorrimento = 0;
            Timer2->setEnabled(true);
        } else {
            for (int i = 1; i <= 3; ++i)
                LblBanner[i]->setLeftTw(0);
        }
    });
    // "lampeggia" asks for a blinking that nothing on the window provides.
    resume_next([&] { leggi("lampeggia"); });
    resume_next([&] { Timer1->setEnabled(true); });
}

void Main::puntatore_banner(QWidget* controllo, const std::string& link)
{
    if (link.empty())
        controllo->unsetCursor();
    else
        controllo->setCursor(platform::picture_pointer(QStringLiteral(":/art/hand.png")));
}

// Line 1 takes the text colour; lines 2 and 3 copy it even when line 1 refused the new one.
void Main::colori_banner(const std::string& testo_colore, const std::string& colore_sfondo)
{
    resume_next([&] {
        LblBanner[1]->setForeColor(palette_colour(platform::CInt(platform::Val(testo_colore))));
    });
    resume_next([&] { LblBanner[2]->setForeColor(LblBanner[1]->foreColor()); });
    resume_next([&] { LblBanner[3]->setForeColor(LblBanner[1]->foreColor()); });
    resume_next([&] { colore_sfondo_banner(colore_sfondo.empty() ? 15 : whole_number(colore_sfondo)); });
}

void Main::dimensione_banner(double punti)
{
    if (punti == 0)
        punti = 8;
    for (int i = 1; i <= 3; ++i)
        resume_next([&] {
            if (!(punti >= kSmallestPoints && punti <= kLargestPoints))
                throw platform::StepError(platform::errInvalidCall, "Invalid property value");
            QFont font = LblBanner[i]->font();
            font.setPointSizeF(punti);
            LblBanner[i]->setFont(font);
        });
}

void Main::disposizione_banner()
{
    int ultima = 0;
    for (int i = 1; i <= 3; ++i) {
        const bool con_testo = !LblBanner[i]->caption().empty();
        LblBanner[i]->setVisible(con_testo);
        if (con_testo)
            ultima = i;
    }
    if (ultima == 1) {
        LblBanner[1]->setHeightTw(915);
    } else if (ultima == 2) {
        LblBanner[1]->setHeightTw(434);
        LblBanner[2]->setTopTw(540);
        LblBanner[2]->setHeightTw(435);
    } else {
        LblBanner[1]->setHeightTw(315);
        LblBanner[2]->setTopTw(360);
        LblBanner[2]->setHeightTw(315);
    }
}

// A picture that does not load leaves the one on show; a name that would reach outside the
// program folder is not loaded at all.
void Main::immagine_banner(const std::string& immagine)
{
    if (immagine.empty()) {
        ImBanner->hide();
        return;
    }
    resume_next([&] {
        if (!nome_immagine_sicuro(immagine))
            throw platform::StepError(platform::errFileNotFound, "File not found");
        ImBanner->setPicture(platform::LoadPicture(platform::program_folder() + "\\" + immagine));
    });
    ImBanner->show();
}

void Main::Timer2_Timer()
{
    resume_next([&] {
        if (pos_scorrimento < -int64_t(larghezza_testo))
            pos_scorrimento = platform::CLng(platform::twips(PicBanner->width()));
    });
    for (int i = 1; i <= 3; ++i)
        resume_next([&] { LblBanner[i]->setLeftTw(pos_scorrimento); });
    resume_next([&] { pos_scorrimento = checked_sum(pos_scorrimento, -int64_t(passo_scorrimento)); });
}

void Main::LblBanner_Click(int16_t Index)
{
    resume_next([&] {
        const std::string& link = LblBanner[Index]->Tag;
        if (link.empty())
            return;
        apre_collegamento(link, LblBanner[Index]->caption());
    });
}

void Main::ImBanner_Click()
{
    resume_next([&] {
        const std::string& link = ImBanner->Tag;
        if (link.empty())
            return;
        apre_collegamento(link, link);
    });
}
