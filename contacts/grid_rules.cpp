// The contact grid: its design, and the handlers that keep a nick first and unique and keep
// the card in step with the current row.
#include "contacts/Main.h"
#include "contacts/book.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/files.h"
#include "platform/failure.h"
#include "platform/jet_sql.h"
#include "platform/runtime.h"
#include "platform/services.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>

#include <algorithm>

using platform::resume_next;

namespace {

std::vector<platform::GridColumn> grid_design()
{
    return {
        {"Nick", "nick", 2302, true},          {"Nome", "nome", 1826, true},
        {"Note", "note", 609, false},          {"Email", "email", 2725, false},
        {"Foto1", "foto1", 503, false},        {"Foto2", "foto2", 609, false},
        {"Foto3", "foto3", 635, false},        {"Foto4", "foto4", 556, false},
        {"Foto5", "foto5", 609, false},        {"Simpatia", "simpatia", 741, false},
        {"Bellezza", "bellezza", 661, false},  {"Intelligenza", "intelligenza", 503, false},
        {"Affinita", "affinita", 503, false},  {"Cultura", "cultura", 1535, false},
        {"Punti", "punti", 1535, false},       {"id", "id", 1535, false, true},
        {"Espr1", "espr1", 423, true, true},
    };
}

QLabel* nick_label(QWidget* parent, const QColor& colour, int left, int top)
{
    auto* label = new QLabel(parent);
    platform::place(label, left, top, 1455, 255);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFont(platform::design_font(9.75));
    label->setStyleSheet(QStringLiteral("background: transparent; color: %1").arg(colour.name()));
    return label;
}

} // namespace

void Main::crea_griglia()
{
    TDBGrid1 = new platform::DataGrid(this);
    platform::place(TDBGrid1, 180, 1560, 2795, 1995);
    TDBGrid1->setColumns(grid_design());
    TDBGrid1->setValueItems("espr1", {{"-1", QPixmap(QStringLiteral(":/art/has_photo.png"))}},
                            {{"0", QStringLiteral("  ")}});
    TDBGrid1->setMarqueeStyle(3);
    TDBGrid1->setDataSource(&Data1);
}

// The data controls learn the book from the book itself: its password, its key columns, its
// row identity and its count of contacts.
void Main::descrivi_rubrica()
{
    book::describe(Data1);
    book::describe(Data2);
}

// The nick labels lie over the photo, so they are made after the photo panel.
void Main::collega_griglia()
{
    Lnick2 = nick_label(this, Qt::white, 3080, 3140);
    lnick = nick_label(this, QColor(255, 128, 0), 3060, 3120);
    using platform::guarded;
    TDBGrid1->BeforeColEdit = guarded(this, "griglia_controlla_nick", &Main::griglia_controlla_nick);
    TDBGrid1->BeforeUpdate = guarded(this, "griglia_controlla_doppione", [](Main* form, int16_t& annulla) {
        if (!form->griglia_nick_vuoto(annulla))
            form->griglia_controlla_doppione(annulla);
    });
    TDBGrid1->AfterUpdate = [this] { errore_segnalato = 0; };
    TDBGrid1->RowEditUndone = guarded(this, "griglia_annulla_riga", &Main::griglia_annulla_riga);
    TDBGrid1->EditModeOn = guarded(this, "griglia_modo_modifica", &Main::griglia_modo_modifica);
    TDBGrid1->EditModeOff = guarded(this, "griglia_modo_riga", &Main::griglia_modo_riga);
    TDBGrid1->Error = guarded(this, "griglia_errore", &Main::griglia_errore);
    TDBGrid1->RowColChange = guarded(this, "griglia_cambio_riga", &Main::griglia_cambio_riga);
    Data1.Error = [this](int number, int& response) {
        int16_t r = static_cast<int16_t>(response);
        platform::guard("Data1_Error", [&] { Data1_Error(static_cast<int16_t>(number), r); });
        response = r;
    };
}

void Main::griglia_controlla_nick(int16_t colonna, int16_t, int16_t& annulla)
{
    if (colonna != 0 && TDBGrid1->Columns(0).empty()) {
        manca_nick();
        annulla = 1;
    }
}

// The nick goes into the lookup as a quoted literal: a nick holding a double quote, or one
// spelled like a column name, must not change the query. Text compares without regard to
// letter case, so "Mario" and "mario" are the same nick.
void Main::griglia_controlla_doppione(int16_t& annulla)
{
    resume_next([&] { Data2.DatabaseName = program_db(); });
    std::string lookup;
    resume_next([&] {
        lookup = "select nick,id from qcontatti where nick = " + platform::jet_quote(TDBGrid1->Columns(0))
            + " and id <> " + platform::CStr(platform::Val(TDBGrid1->Columns("id")));
    });
    resume_next([&] { Data2.RecordSource = lookup; });
    resume_next([&] { Data2.Refresh(); });
    resume_next([&] {
        if (Data2.recordset().AbsolutePosition() == -1)
            return;
        annulla = -1;
        platform::MsgBox(lingua == 0 ? "The nick is already existing in list!" : "Il nick è già esistente in lista!",
                         platform::vbCritical | platform::vbOKOnly, platform::app_title());
        TDBGrid1->SetFocus();
    });
}

void Main::griglia_modo_modifica()
{
    TDBGrid1->setMarqueeStyle(6);
}

void Main::griglia_modo_riga()
{
    TDBGrid1->setMarqueeStyle(3);
}

void Main::griglia_errore(int16_t, int16_t& risposta)
{
    risposta = 0;
}

// The control's own message stays silent, but a failure of the book itself (read-only,
// locked, full, damaged) is told once, after the event that met it: a write refused this way
// keeps its edit on the row, and the user must know why the row will not let go.
void Main::Data1_Error(int16_t errore, int16_t& risposta)
{
    risposta = 0;
    if (motivo_errore(errore, false).empty())
        return;
    ultimo_errore = errore;
    if (errore == errore_segnalato || errore_da_segnalare != 0)
        return;
    errore_da_segnalare = errore;
    QTimer::singleShot(0, this, [this] {
        platform::guard("segnala_errore_libro", [this] { segnala_errore_libro(); });
    });
}

void Main::segnala_errore_libro()
{
    const int16_t errore = std::exchange(errore_da_segnalare, 0);
    if (errore == 0)
        return;
    errore_segnalato = errore;
    const std::string testo = book::failed_text(platform::native_path(program_db()), errore,
                                                 TDBGrid1->DataChanged(), lingua == 0);
    platform::MsgBox(testo, platform::vbExclamation | platform::vbOKOnly, platform::app_title());
}

std::string Main::motivo_errore(int errore, bool apertura) const
{
    return book::reason(errore, apertura, lingua == 0);
}

int Main::apre_rubrica()
{
    try {
        Data1.DatabaseName = program_db();
        Data2.DatabaseName = program_db();
        book::open(Data1);
        const std::vector<std::string>& campi = Data1.recordset().columns();
        for (const platform::GridColumn& colonna : grid_design())
            if (std::find(campi.begin(), campi.end(), colonna.field) == campi.end())
                return platform::errUnrecognizedFormat;
    } catch (const platform::StepError& e) {
        errore_da_segnalare = 0;   // told below, as the reason the program ends
        return e.number();
    }
    return 0;
}

void Main::rubrica_inutilizzabile(int errore)
{
    platform::MsgBox(book::unusable_text(platform::native_path(program_db()), errore, lingua == 0),
                     platform::vbCritical | platform::vbOKOnly, platform::app_title());
}

bool Main::griglia_nick_vuoto(int16_t& annulla)
{
    if (!TDBGrid1->Columns(0).empty())
        return false;
    if (TDBGrid1->AddNewState() == 2) {
        TDBGrid1->CancelUpdate();
    } else {
        annulla = -1;
        manca_nick();
    }
    return true;
}

// The card goes back to what the row holds now: the stored values, or the empty add-new row.
void Main::griglia_annulla_riga()
{
    ultimo_bookmark.reset();
    era_su_nuova_riga = false;
    griglia_cambio_riga();
}

void Main::griglia_cambio_riga()
{
    if (importazione_in_corso)
        return;
    resume_next([&] {
        int16_t slot = 1;
        inizializza_puntatore_foto(slot);
    });
    int16_t state = 0;
    resume_next([&] { state = TDBGrid1->AddNewState(); });
    if (state == 1) {
        resume_next([&] { azzera_dati(); });
        era_su_nuova_riga = true;
    } else if (era_su_nuova_riga) {
        resume_next([&] { legge_dati(); });
        era_su_nuova_riga = false;
    } else {
        bool differs = false;
        resume_next([&] { differs = TDBGrid1->RowBookmark() != ultimo_bookmark; });
        if (differs)
            resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
        if (differs && state == 0)
            resume_next([&] { legge_dati(); });
    }
    resume_next([&] { punti(); });
    resume_next([&] { ultimo_bookmark = TDBGrid1->RowBookmark(); });
    resume_next([&] {
        const QString nick = QString::fromStdString(TDBGrid1->Columns("nick"));
        lnick->setText(nick);
        Lnick2->setText(nick);
    });
}
