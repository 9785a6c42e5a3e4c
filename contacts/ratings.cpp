// The ratings panel: five rows of stars, their captions, the score, and the click areas that
// show and hide the panel over the note and e-mail boxes.
#include "contacts/Main.h"
#include "contacts/layout.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/runtime.h"

#include <QCursor>
#include <QEvent>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <initializer_list>
#include <vector>

using platform::resume_next;

namespace {

// While the panel covers the note and e-mail boxes, the keyboard must not reach them either:
// typing into a box the user cannot see would edit the contact unseen.
class CoveredBoxes : public QObject {
public:
    CoveredBoxes(QWidget* panel, std::initializer_list<QWidget*> boxes) : QObject(panel), boxes_(boxes)
    {
        panel->installEventFilter(this);
        apply(panel->isVisibleTo(panel->parentWidget()));
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent)
            apply(e->type() == QEvent::ShowToParent);
        return false;
    }

private:
    void apply(bool covered)
    {
        for (QWidget* box : boxes_) {
            box->setFocusPolicy(covered ? Qt::NoFocus : Qt::StrongFocus);
            if (covered && box->hasFocus())
                box->clearFocus();
        }
    }
    std::vector<QWidget*> boxes_;
};

const char* const kCaptions[5] = {"Liking", "Beauty", "Intelligence", "Affinity", "Culture"};

// Star i of row riga, relative to the panel.
constexpr double star_left(int i) { return 240 + 300 * i; }
constexpr double star_top(int riga) { return 180 + 480 * (riga - 1); }
constexpr int kStarSize = 195;

void set_text_colour(QWidget* w, uint32_t rgb)
{
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(rgb));
    w->setPalette(palette);
}

platform::ImageControl* star(QWidget* panel, const QPixmap& picture, const QCursor& pointer, int riga, int i)
{
    auto* s = platform::click_area(panel, {star_left(i), star_top(riga), kStarSize, kStarSize}, pointer);
    s->setPicture(picture);
    return s;
}

// The caption's top reaches above the panel for the first row; the panel clips it.
QLabel* caption(QWidget* panel, int riga)
{
    auto* label = new QLabel(QString::fromLatin1(kCaptions[riga - 1]), panel);
    platform::place(label, 180, -60 + 480 * (riga - 1), 1575, 255);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(platform::design_font(8.25));
    return label;
}

QLabel* score_label(QWidget* panel)
{
    auto* label = new QLabel(QStringLiteral("0"), panel);
    platform::place(label, 450, 2220, 975, 255);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(platform::design_font(9.75));
    set_text_colour(label, 0x008000);
    // It lies over the lower half of the culture stars, which must still take their clicks.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// What both forms of a star click do first: false when the row has no nick, and then
// nothing else may happen. A nick that cannot be read counts as missing.
bool prepara_riga(Main& m)
{
    bool has_nick = false;
    resume_next([&] { has_nick = !m.TDBGrid1->Columns("nick").empty(); });
    if (!has_nick) {
        resume_next([&] { m.manca_nick(); });
        return false;
    }
    resume_next([&] { m.TDBGrid1->CommitRowEdit(); });
    resume_next([&] { m.TDBGrid1->setMarqueeStyle(3); });
    return true;
}

void scrive_voto(Main& m, int riga, int value)
{
    resume_next([&] { m.TDBGrid1->SetColumn(Main::colonne_voti.at(riga - 1), platform::CInt(value)); });
    resume_next([&] { m.punti(); });
    resume_next([&] { m.TDBGrid1->SetColumn("punti", platform::Val(m.tpunti->text().toStdString())); });
}

} // namespace

void Main::crea_pannello_voti()
{
    Picture1 = new QWidget(this);
    platform::place(Picture1, 4620, 480, 1935, 2535);
    QPalette palette = Picture1->palette();
    palette.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(palette);
    Picture1->setAutoFillBackground(true);
    new CoveredBoxes(Picture1, {Text1, Text2});

    const QPixmap grey(QStringLiteral(":/art/star_grey.png"));
    const QPixmap red(QStringLiteral(":/art/star_red.png"));
    // The stars and the panel's click areas share a hand holding a star.
    const QCursor pointer = platform::picture_pointer(QStringLiteral(":/art/pointer.png"));
    for (int riga = 1; riga <= 5; ++riga) {
        Label1[riga - 1] = caption(Picture1, riga);
        for (int i = 0; i < 5; ++i) {
            stellag[riga - 1][i] = star(Picture1, grey, pointer, riga, i);
            stellar[riga - 1][i] = star(Picture1, red, pointer, riga, i);
            stellar[riga - 1][i]->hide();
            const auto index = static_cast<int16_t>(i);
            platform::on(stellag[riga - 1][i], &platform::ImageControl::clicked, this, "stellag_Click",
                         &Main::stellag_Click, riga, index);
            platform::on(stellar[riga - 1][i], &platform::ImageControl::clicked, this, "stellar_Click",
                         &Main::stellar_Click, riga, index);
        }
    }
    tpunti = score_label(Picture1);

    Image8 = platform::click_area(this, layout::kShowRatings, pointer);
    Image9 = platform::click_area(this, layout::kShowNotes, pointer);
    Image14 = platform::click_area(this, layout::kCloseRatings, pointer);
    platform::on(Image8, &platform::ImageControl::clicked, this, "Image8_Click", &Main::Image8_Click);
    platform::on(Image9, &platform::ImageControl::clicked, this, "Image9_Click", &Main::Image9_Click);
    platform::on(Image14, &platform::ImageControl::clicked, this, "Image14_Click", &Main::Image14_Click);
}

// Only the leading run of red stars of each row counts. The visibility asked is each star's
// own, so a hidden panel or window still scores.
void Main::punti()
{
    int score = 0;
    for (int riga = 0; riga < 5; ++riga)
        resume_next([&] {
            for (int i = 0; i < 5 && !stellar.at(riga).at(i)->isHidden(); ++i)
                score += 40;
        });
    resume_next([&] {
        // 480 and 720 fall between the bands and keep the colour shown before.
        if (score >= 0 && score <= 450)
            set_text_colour(tpunti, platform::QBColor(1));
        else if (score >= 500 && score <= 700)
            set_text_colour(tpunti, platform::QBColor(2));
        else if (score >= 750 && score <= 1000)
            set_text_colour(tpunti, platform::QBColor(9));
    });
    resume_next([&] { tpunti->setText(QString::number(score)); });
}

void Main::stellag_Click(int riga, int16_t Index)
{
    if (!prepara_riga(*this))
        return;
    for (int i = Index; i >= 0; --i) {
        resume_next([&] { stellag.at(riga - 1).at(i)->hide(); });
        resume_next([&] { stellar.at(riga - 1).at(i)->show(); });
    }
    scrive_voto(*this, riga, Index + 1);
    resume_next([&] { Suono("piu.wav"); });
}

void Main::stellar_Click(int riga, int16_t Index)
{
    if (!prepara_riga(*this))
        return;
    for (int i = Index; i <= 4; ++i) {
        resume_next([&] { stellar.at(riga - 1).at(i)->hide(); });
        resume_next([&] { stellag.at(riga - 1).at(i)->show(); });
    }
    scrive_voto(*this, riga, Index);
    resume_next([&] { Suono("meno.wav"); });
}

void Main::Image8_Click()
{
    resume_next([&] { Picture1->show(); });
    resume_next([&] { Suono("suoni.wav"); });
}

void Main::Image9_Click()
{
    resume_next([&] { Picture1->hide(); });
    resume_next([&] { Suono("suoni.wav"); });
}

void Main::Image14_Click()
{
    Image9_Click();
}
