// Filling the book from what two outside programs write: the buddy file of the C6 chat
// client (an INI file of numbered nicks and their categories) and a contact list that
// MS Outlook exported as ";"-separated text. Both only add the nicks the book lacks.
#include "contacts/Main.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/jet_sql.h"
#include "platform/runtime.h"
#include "platform/screen.h"
#include "platform/services.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

using platform::resume_next;

namespace {

// An Outlook export saved under this name is read without a question and removed afterwards.
const char* const kEsportazioneFissa = "c:\\tavoly";
const char* const kTuttiIFile = "*;*;";
// Buddy keys are three-digit numbers: the list ends after the last one that can be written.
constexpr int kUltimaVoceC6 = 999;

using Campi = std::vector<std::pair<const char*, std::string>>;

// A name or an address longer than a text field of the old book could hold comes only from a
// damaged or hostile export; its row is refused like any row the database refuses.
constexpr std::size_t kMaxCaratteri = 255;

bool troppo_lungo(const std::string& testo)
{
    const auto caratteri = std::count_if(testo.begin(), testo.end(),
                                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    return static_cast<std::size_t>(caratteri) > kMaxCaratteri;
}

// The grid writes what is pending before rows are added under it, and path_c6 follows the
// current folder whether a file was picked or not.
void dopo_scelta_file(Main& main)
{
    resume_next([&] { main.TDBGrid1->CommitRowEdit(); });
    resume_next([&] { main.TDBGrid1->setMarqueeStyle(3); });
    resume_next([&] { main.path_c6 = platform::current_folder(); });
}

// The nick goes into the lookup as a quoted literal, as in the duplicate test, so a nick
// holding a double quote is looked up like any other. A lookup that fails adds nothing.
bool nick_nuovo(platform::DataControl& lookup, const std::string& nick)
{
    bool nuovo = false;
    resume_next([&] { lookup.RecordSource = "select nick from contatti where nick =" + platform::jet_quote(nick); });
    resume_next([&] { lookup.Refresh(); });
    resume_next([&] { nuovo = lookup.recordset().AbsolutePosition() == -1; });
    return nuovo;
}

// A row goes in whole or not at all; one the database refuses is skipped. The last row
// becomes current either way.
void aggiunge_riga(platform::DataControl& data, const Campi& campi)
{
    resume_next([&] {
        platform::Recordset& rs = data.recordset();
        rs.AddNew();
        for (const auto& [campo, valore] : campi)
            rs.SetField(campo, valore);
        rs.Update();
    });
    resume_next([&] { data.recordset().MoveLast(); });
}

// Field 1 is the text before the first ";", field 2 the text up to the next ";" or the end.
// A line without ";" is all name.
std::pair<std::string, std::string> campi_outlook(const std::string& riga)
{
    const std::size_t p1 = riga.find(';');
    if (p1 == std::string::npos)
        return {riga, ""};
    const std::size_t p2 = riga.find(';', p1 + 1);
    const std::size_t lunghezza = p2 == std::string::npos ? std::string::npos : p2 - p1 - 1;
    return {riga.substr(0, p1), riga.substr(p1 + 1, lunghezza)};
}

} // namespace

void Main::collega_importazioni()
{
    platform::on(Image12, &platform::ImageControl::clicked, this, "Image12_Click", &Main::Image12_Click);
    platform::on(ImpOut, &QAction::triggered, this, "ImpOut_Click", &Main::ImpOut_Click);
    platform::on(ImpC6, &QAction::triggered, this, "ImpC6_Click", &Main::ImpC6_Click);
}

void Main::Image12_Click()
{
    platform::services().popup_menu->popup(*menupop4);
}

void Main::ImpC6_Click()
{
    importa_c6();
}

void Main::ImpOut_Click()
{
    importa_outlook();
}

// The buddy file is read from entry 001 in every book: the nicks the book holds already are
// skipped by the lookup.
void Main::importa_c6()
{
    resume_next([&] { Suono("suoni.wav"); });
    const bool inglese = lingua == 0;
    const std::string titolo =
        inglese ? "You open the file with equal name to your nick" : "Apri il file con nome uguale al tuo nick";
    const std::string etichetta = inglese ? "Nick name" : "Nome nick ";
    const std::string prefisso = inglese ? "Category" : "Categorie";
    std::string percorso;
    resume_next([&] {
        percorso = platform::services().open_file->pick({titolo, {{etichetta, kTuttiIFile}}, path_c6});
    });
    dopo_scelta_file(*this);
    if (percorso.empty())
        return;
    resume_next([] { platform::set_mouse_pointer(platform::vbHourglass); });
    const platform::IniFileCache letto_una_volta;
    std::array<std::string, 11> categoria{};
    for (int i = 0; i <= 9; ++i)
        categoria[static_cast<size_t>(i)] = ReadIniFile(percorso, "Categorie", platform::Format3(i));
    resume_next([&] { Data1.recordset().MoveLast(); });
    resume_next([&] { repaint(); });
    importazione_in_corso = true;
    for (int contatore = 1; contatore <= kUltimaVoceC6; ++contatore) {
        const std::string chiave = platform::Format3(contatore);
        const std::string nick = ReadIniFile(percorso, "Buddys", chiave);
        if (nick.empty())
            break;
        const double numero = platform::Val(ReadIniFile(percorso, "Buddys", chiave + "cat"));
        if (!nick_nuovo(Data2, nick))
            continue;
        Campi campi{{"nick", nick}};
        resume_next([&] {
            const int c = platform::CInt(numero);
            if (c >= 0 && c <= 10)
                campi.emplace_back("note", prefisso + " " + categoria[static_cast<size_t>(c)]);
        });
        aggiunge_riga(Data1, campi);
    }
    importazione_in_corso = false;
    // The grid now stands on the last row; a card still showing the contact of before would
    // write its next edit into that row.
    griglia_cambio_riga();
    resume_next([] { platform::set_mouse_pointer(platform::vbDefault); });
    resume_next([&] { Suono("trovato.wav"); });
}

// The generated nicks continue from the number of rows in the book; a number above 999 is
// written with all its digits.
void Main::importa_outlook()
{
    resume_next([&] { Suono("suoni.wav"); });
    bool fisso = false;
    resume_next([&] { fisso = platform::dir_match(kEsportazioneFissa); });
    std::string percorso = kEsportazioneFissa;
    if (!fisso) {
        const bool inglese = lingua == 0;
        const std::string avviso = inglese
            ? "Before it is necessary to create a file (possibly with name 'Tavely') container the list of the "
              "contacts of MS Outlook with the function exports as 'text files.' If you have already effected "
              "this operation to click on 'Ok'"
            : "Prima è necessario creare un file (possibilmente con nome 'Tavely') contenente l'elenco dei "
              "contatti di MS Outlook con la funzione esporta come 'file di testo'. Se hai già effettuato "
              "questa operazione clicca su 'Ok'";
        const std::string titolo = inglese ? "Open the file that you have exported from MS Outlook"
                                           : "Apri il file che hai esportato da MS Outlook";
        const std::string etichetta = inglese ? "File of MS Outlook" : "File di MS Outlook";
        int risposta = platform::vbOK;
        resume_next([&] {
            risposta = platform::MsgBox(avviso, platform::vbOKCancel | platform::vbQuestion, platform::app_title());
        });
        if (risposta == platform::vbCancel)
            return;
        percorso.clear();
        resume_next([&] {
            percorso = platform::services().open_file->pick({titolo, {{etichetta, kTuttiIFile}}, "C:\\"});
        });
    }
    dopo_scelta_file(*this);
    if (percorso.empty())
        return;
    resume_next([] { platform::set_mouse_pointer(platform::vbHourglass); });
    long contatore = 1;
    resume_next([&] { Data1.recordset().MoveLast(); });
    resume_next([&] { contatore = Data1.recordset().RecordCount() + 1; });
    resume_next([&] { repaint(); });
    importazione_in_corso = true;
    std::vector<std::string> righe;
    resume_next([&] { righe = platform::read_text_lines(percorso); });
    // The first line is the export's header.
    for (std::size_t r = 1; r < righe.size(); ++r, ++contatore) {
        const std::string nick = "Nick " + platform::Format3(static_cast<int>(contatore));
        if (!nick_nuovo(Data2, nick))
            continue;
        auto [nome, email] = campi_outlook(righe[r]);
        if (troppo_lungo(nome) || troppo_lungo(email))
            continue;
        aggiunge_riga(Data1, {{"nick", nick}, {"nome", std::move(nome)}, {"email", std::move(email)}});
    }
    resume_next([&] { Image9_Click(); });
    importazione_in_corso = false;
    griglia_cambio_riga();
    resume_next([] {
        if (platform::dir_match(kEsportazioneFissa))
            platform::kill_file(kEsportazioneFissa);
    });
    resume_next([] { platform::set_mouse_pointer(platform::vbDefault); });
    resume_next([&] { Suono("trovato.wav"); });
}
