// The contact grid: its design, and the handlers that keep a nick first and unique and keep
// the card in step with the current row.
#include "contacts/Main.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/jet_sql.h"
#include "platform/runtime.h"
#include "platform/services.h"

#include <QFile>
#include <QFont>
#include <QPixmap>

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
    Data1.Execute("update contatti set chiave_nick = text_key(nick) where chiave_nick is null "
                  "and nick is not null; "
                  "update contatti set chiave_nome = text_key(nome) where chiave_nome is null "
                  "and nome is not null; "
                  "update contatti set chiave_email = text_key(email) where chiave_email is null "
                  "and email is not null");
}

// The nick labels lie over the photo, so they are made after the photo panel.
void Main::collega_griglia()
{
    Lnick2 = nick_label(this, Qt::white, 3080, 3140);
    lnick = nick_label(this, QColor(255, 128, 0), 3060, 3120);
    using platform::guarded;
    TDBGrid1->BeforeColEdit = guarded(this, "griglia_controlla_nick", &Main::griglia_controlla_nick);
    TDBGrid1->BeforeUpdate = guarded(this, "griglia_controlla_doppione", &Main::griglia_controlla_doppione);
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

void Main::Data1_Error(int16_t, int16_t& risposta)
{
    risposta = 0;
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
