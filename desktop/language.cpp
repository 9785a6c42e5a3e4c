// The two interface languages: the captions and tool tips of the main window, the language
// menu and the saved choice.
#include "contacts/Main.h"
#include "platform/app.h"
#include "platform/settings.h"

#include <functional>
#include <vector>

namespace {

struct Testo {
    std::function<void(const QString&)> scrivi;
    const char* inglese;
    const char* italiano;
};

std::function<void(const QString&)> didascalia(QLabel* c) { return [c](const QString& t) { c->setText(t); }; }
std::function<void(const QString&)> didascalia(QAction* c) { return [c](const QString& t) { c->setText(t); }; }
std::function<void(const QString&)> suggerimento(QWidget* c) { return [c](const QString& t) { c->setToolTip(t); }; }

} // namespace

void Main::applica_lingua()
{
    if (lingua != 0 && lingua != 1)
        return;
    const std::vector<Testo> testi = {
        {didascalia(Label1[0]), "Liking", "Simpatia"},
        {didascalia(Label1[1]), "Beauty", "Bellezza"},
        {didascalia(Label1[2]), "Intelligence", "Intelligenza"},
        {didascalia(Label1[3]), "Affinity", "Affinità"},
        {didascalia(Label1[4]), "Culture", "Cultura"},
        {didascalia(ord[0]), "Sort for Nick", "Ordina per for Nick"},
        {didascalia(ord[1]), "Sort for Name", "Ordina per Nome"},
        {didascalia(ord[3]), "Sort for Score", "Ordina per Punteggio"},
        {didascalia(ord[4]), "Sort for Liking", "Ordina per Simpatia"},
        {didascalia(ord[5]), "Sort for Beauty", "Ordina per Bellezza"},
        {didascalia(ord[6]), "Sort for Affinity", "Ordina per Affinità"},
        {didascalia(ord[7]), "Sort for Culture", "Ordina per Cultura"},
        {didascalia(ord[9]), "Sort with Photo", "Ordina con Foto"},
        {didascalia(chiudi), "Exit", "Uscita"},
        {suggerimento(suono_on), "Disables sounds", "Disabilita Suono"},
        {suggerimento(Text2), "Double click to send E-mail", "Doppio click per inviare l'E-mail"},
        {suggerimento(Image7), "Delete nick", "Elimina nick"},
        {suggerimento(Image6), "Search for nick, name or E-mail", "Ricerca per nick, nome o E-mail"},
        {suggerimento(Image3), "View Photo", "Visualizza Foto"},
        {suggerimento(Image2), "To Link Photo", "Collega alla Foto"},
        {suggerimento(Image15), "Double click to eliminate the link to the photo",
         "Doppio click per eliminare il collegamento alla foto"},
        {suggerimento(Image13), "Saved conversations", "Salva conversazione"},
        {suggerimento(Image12), "Import of the MS Outlook nick", "Importa da MS Outlook i nick"},
        {suggerimento(Image11), "Sort", "Ordina"},
        {didascalia(avvioautom), "Execution automatic", "Avvio automatico"},
        {didascalia(ImpOut), "Import from MS Outlook", "Importa da MS Outlook"},
        {didascalia(ImpC6), "Import from C6", "Importa da C6"},
        {didascalia(attendere), "", ""},
    };
    for (const Testo& t : testi)
        t.scrivi(QString::fromUtf8(lingua == 0 ? t.inglese : t.italiano));
}

void Main::Salvalingua()
{
    const bool italiano = lingua != 0;
    platform::SaveSetting(platform::exe_name(), platform::kSettingsSection, "lingua", italiano ? "1" : "0");
    mnuLanEnglish->setChecked(!italiano);
    mnuLanItalian->setChecked(italiano);
}

void Main::mnuLanEnglish_Click()
{
    lingua = 0;
    Salvalingua();
    applica_lingua();
}

void Main::mnuLanItalian_Click()
{
    lingua = 1;
    Salvalingua();
    applica_lingua();
}
