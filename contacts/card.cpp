// The contact card: the stars, the note and e-mail boxes and the photo strip's fill mark,
// filled from and written into the grid's current row.
#include "contacts/Main.h"
#include "desktop/AprePaginaWeb.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/runtime.h"
#include "platform/services.h"

#include <QTextDocument>

using platform::resume_next;

namespace {

// An old text box raised Change only when its text really changed; QPlainTextEdit signals
// every assignment, so an equal text is not assigned at all.
void set_text(QPlainTextEdit* box, const std::string& text)
{
    const QString value = QString::fromStdString(text);
    if (box->toPlainText() != value)
        box->setPlainText(value);
}

// A note as the box gives it back once shown.
QString as_shown(const QString& note)
{
    QTextDocument document;
    document.setPlainText(note);
    return document.toPlainText();
}

// The box shows an address from its beginning, as the old text box did after an assignment.
void set_text(QLineEdit* box, const std::string& text)
{
    box->setText(QString::fromStdString(text));
    box->setCursorPosition(0);
}

} // namespace

void Main::crea_scheda()
{
    Text1 = new QPlainTextEdit(this);
    platform::place(Text1, 4620, 480, 1875, 2115);
    Text2 = new QLineEdit(this);
    platform::place(Text2, 4620, 2640, 1875, 330);
    Text2->setToolTip(QStringLiteral("Double click to send E-mail"));

    using platform::on;
    using Events = platform::TextBoxEvents;
    const auto* note = new Events(Text1);
    on(note, &Events::Change, this, "Text1_Change", &Main::Text1_Change);
    on(note, &Events::GotFocus, this, "Text1_GotFocus", &Main::Text1_GotFocus);
    const auto* email = new Events(Text2);
    on(email, &Events::Change, this, "Text2_Change", &Main::Text2_Change);
    on(email, &Events::GotFocus, this, "Text2_GotFocus", &Main::Text2_GotFocus);
    on(email, &Events::Click, this, "Text2_Click", &Main::Text2_Click);
    on(email, &Events::DblClick, this, "Text2_DblClick", &Main::Text2_DblClick);
}

// A rating that cannot be read at all shows as no stars rather than the last contact's.
void Main::legge_dati()
{
    for (int riga = 1; riga <= 5; ++riga) {
        double value = 0;
        resume_next([&] { value = platform::Val(TDBGrid1->Columns(colonne_voti.at(riga - 1))); });
        for (int p = 1; p <= 5; ++p) {
            resume_next([&] {
                const bool lit = p <= value;
                stellag.at(riga - 1).at(p - 1)->setVisible(!lit);
                stellar.at(riga - 1).at(p - 1)->setVisible(lit);
            });
        }
    }
    resume_next([&] { set_text(Text1, TDBGrid1->Columns("note")); });
    resume_next([&] { set_text(Text2, TDBGrid1->Columns("email")); });
    resume_next([&] {
        int16_t slot = 1;
        inizializza_puntatore_foto(slot);
    });
    resume_next([&] { mostra_collegamento(TDBGrid1->Columns("foto" + std::to_string(puntatore_foto))); });
    resume_next([&] { larghezza_numfoto(); });
}

void Main::azzera_dati()
{
    for (int riga = 0; riga < 5; ++riga)
        for (int i = 0; i < 5; ++i)
            resume_next([&] {
                stellag.at(riga).at(i)->setVisible(true);
                stellar.at(riga).at(i)->setVisible(false);
            });
    resume_next([&] { set_text(Text1, ""); });
    resume_next([&] { set_text(Text2, ""); });
    resume_next([&] {
        percorso_foto = "";
        anonimo();
    });
    resume_next([&] {
        int16_t slot = 1;
        inizializza_puntatore_foto(slot);
    });
    resume_next([&] { numfoto->setWidthTw(510); });
}

void Main::manca_nick()
{
    platform::MsgBox(lingua != 0 ? "Manca il nick!" : "The nick miss!", platform::vbOKOnly | platform::vbCritical,
                     platform::app_title());
    TDBGrid1->SetFocus();
}

// The box gives a note back with every line break as "\n" and a no-break space as a plain
// one: a note must not be rewritten just by being shown.
void Main::Text1_Change()
{
    if (TDBGrid1->Columns("nick").empty())
        return;
    const QString text = Text1->toPlainText();
    if (text != as_shown(QString::fromStdString(TDBGrid1->Columns("note"))))
        TDBGrid1->SetColumn("note", text.toStdString());
}

void Main::Text1_GotFocus()
{
    if (TDBGrid1->Columns("nick").empty())
        manca_nick();
}

void Main::Text2_Change()
{
    if (!TDBGrid1->Columns("nick").empty())
        TDBGrid1->SetColumn("email", Text2->text().toStdString());
}

void Main::Text2_GotFocus()
{
    if (TDBGrid1->Columns("nick").empty())
        manca_nick();
}

void Main::Text2_Click()
{
    Text2->setSelection(0, static_cast<int>(Text2->text().size()));
}

void Main::Text2_DblClick()
{
    const std::string address = Text2->text().toStdString();
    if (!address.empty() && address.find('@') != std::string::npos) {
        resume_next([&] { AprePaginaWeb::apre_email(address, "", "", "", "", ""); });
        resume_next([&] { Suono("foto.wav"); });
    } else {
        resume_next([&] { Suono("nontrovato.wav"); });
    }
}
