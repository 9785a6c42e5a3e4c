// The contact grid: its design, and the handlers that keep a nick first and unique and keep
// the card in step with the current row.
#include "contacts/Main.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/files.h"
#include "platform/failure.h"
#include "platform/jet_sql.h"
#include "platform/runtime.h"
#include "platform/services.h"

#include <QFile>
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

// The data controls compare, search and sort nick, name and e-mail through the key columns
// the program keeps beside them, read the id as each row's identity, and take the number of
// contacts from the count the book keeps.
void Main::descrivi_rubrica()
{
    for (platform::DataControl* control : {&Data1, &Data2}) {
        control->TextKeyColumns = {{"nick", "chiave_nick"}, {"nome", "chiave_nome"},
                                   {"email", "chiave_email"}};
        control->KeyField = "id";
        control->RowCount = "select righe from conteggio";
    }
}

namespace {

std::string schema_text()
{
    QFile schema(QStringLiteral(":/book/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        throw platform::StepError(platform::errFileNotFound, "The book's schema is missing.");
    return schema.readAll().toStdString();
}

// The contacts of a book of an earlier shape move into a table of the current one, keeping
// their ids; the old indexes and view go first, as their names are taken again. Books made
// when only the ASCII letters' case counted may hold nicks that differ only in the case of an
// accented letter: then the nick's index cannot be unique, and no contact is dropped for it.
std::string upgrade_text(bool unique_nick)
{
    const char* const columns = "nick, nome, note, email, foto1, foto2, foto3, foto4, foto5, "
                                "simpatia, bellezza, intelligenza, affinita, cultura, punti, id";
    std::string schema = schema_text();
    if (!unique_nick) {
        const std::string unique = "create unique index contatti_nick";
        const size_t at = schema.find(unique);
        if (at != std::string::npos)
            schema.replace(at, unique.size(), "create index contatti_nick");
    }
    std::string sql = "drop view if exists qcontatti;";
    for (const char* index : {"nick", "nome", "email", "punti", "simpatia", "bellezza",
                              "affinita", "cultura", "foto", "foto_desc"})
        sql += std::string(" drop index if exists contatti_") + index + ";";
    return sql + " alter table contatti rename to contatti_prima; " + schema
        + "; insert into contatti (" + columns + ", chiave_nick, chiave_nome, chiave_email)"
        + " select " + columns + ", text_key(nick), text_key(nome), text_key(email)"
        + " from contatti_prima; update sqlite_sequence set seq = (select max(seq) from"
        + " sqlite_sequence where name in ('contatti', 'contatti_prima')) where name = 'contatti';"
        + " drop table contatti_prima";
}

} // namespace

// A book made before the key columns is brought up to date; rows that another program added
// since get their keys.
void Main::aggiorna_rubrica()
{
    try {
        Data1.Execute("select chiave_nick from contatti limit 0");
    } catch (const platform::StepError&) {
        try {
            Data1.Execute(upgrade_text(true));
        } catch (const platform::StepError&) {
            Data1.Execute(upgrade_text(false));
        }
    }
    // A book that cannot be written now gets them at a later start.
    platform::resume_next([&] {
        Data1.Execute("update contatti set chiave_nick = text_key(nick) where chiave_nick is null "
                  "and nick is not null; "
                  "update contatti set chiave_nome = text_key(nome) where chiave_nome is null "
                  "and nome is not null; "
                  "update contatti set chiave_email = text_key(email) where chiave_email is null "
                  "and email is not null");
    });
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
    const std::string path = platform::native_path(program_db());
    const std::string motivo = motivo_errore(errore, false);
    std::string testo;
    if (TDBGrid1->DataChanged())
        testo = lingua == 0 ? "The change could not be written to the contact book\n" + path + ":\n" + motivo
                                  + ".\n\nIt stays on the row; leaving the row tries again."
                            : "La modifica non può essere scritta nella rubrica\n" + path + ":\n" + motivo
                                  + ".\n\nResta sulla riga; lasciando la riga si riprova.";
    else
        testo = lingua == 0 ? "The contact book\n" + path + "\ncould not be read: " + motivo + "."
                            : "La rubrica\n" + path + "\nnon può essere letta: " + motivo + ".";
    platform::MsgBox(testo, platform::vbExclamation | platform::vbOKOnly, platform::app_title());
}

std::string Main::motivo_errore(int errore, bool apertura) const
{
    const bool en = lingua == 0;
    switch (errore) {
    case platform::errReadOnlyDatabase: return en ? "the file is read-only" : "il file è di sola lettura";
    case platform::errPathFileAccess:
        if (apertura)
            return en ? "permission denied" : "permesso negato";
        return en ? "its folder cannot be written" : "la sua cartella non è scrivibile";
    case platform::errLocked:
    case platform::errFileInUse: return en ? "another program is using it" : "un altro programma la sta usando";
    case platform::errDiskFull: return en ? "the disk is full" : "il disco è pieno";
    case platform::errDamaged: return en ? "it is damaged" : "è danneggiata";
    case platform::errFileNotFound:
        return en ? "the file was removed or replaced" : "il file è stato rimosso o sostituito";
    default: break;
    }
    if (!apertura)
        return "";
    if (errore == platform::errBadPassword)
        return en ? "it does not open with the program's password (a book under another password, or its "
                    "first page is damaged)"
                  : "non si apre con la password del programma (una rubrica con un'altra password, o la sua "
                    "prima pagina è danneggiata)";
    if (errore == platform::errUnrecognizedFormat || errore == platform::errDatabase)
        return en ? "it is not a contact book" : "non è una rubrica";
    return (en ? "error " : "errore ") + std::to_string(errore);
}

// A book that exists but cannot be used is never shown as an empty one: whatever the user
// typed into it would go nowhere. A missing one is made anew, as the build makes it.
int Main::apre_rubrica()
{
    try {
        Data1.DatabaseName = program_db();
        Data2.DatabaseName = program_db();
        try {
            aggiorna_rubrica();
            Data1.Refresh();
        } catch (const platform::StepError& e) {
            if (e.number() != platform::errFileNotFound)
                throw;
            platform::CreateDatabase(program_db(), Data1.Connect, schema_text());
            Data1.Refresh();
        }
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
    const std::string path = platform::native_path(program_db());
    const std::string motivo = motivo_errore(errore, true);
    platform::MsgBox(lingua == 0 ? "The contact book\n" + path + "\ncannot be opened: " + motivo
                                       + ".\n\nThe program ends and leaves the file as it is."
                                 : "La rubrica\n" + path + "\nnon può essere aperta: " + motivo
                                       + ".\n\nIl programma termina e lascia il file com'è.",
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
