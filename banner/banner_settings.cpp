// The banner's settings file "set.txt" and its pictures, kept up to date from the maker's site
// (or its mirror) whenever the connection test finds the machine on line; and the links menu
// that the file's [banner] section fills once per run.
#include "banner/CNetGet.h"
#include "banner/TestConnection.h"
#include "banner/banner_safety.h"
#include "contacts/Main.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/runtime.h"
#include "platform/services.h"
#include "platform/timer.h"

#include <algorithm>
#include <cctype>

using platform::resume_next;

namespace {

std::string maiuscole(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// A menu item captioned "-" is a separator line, as the old menus drew it.
void imposta_voce(QAction* voce, const std::string& titolo)
{
    voce->setText(QString::fromStdString(titolo));
    voce->setSeparator(titolo == "-");
}

// A real banner has a handful of messages; a file from a hostile server may name thousands
// of pictures.
constexpr int kMaxMessaggi = 100;

// A real banner is a settings file of a few kilobytes and a few small pictures. What one
// refresh fetches and what the pictures take in the program folder stay bounded whatever the
// site sends; past the bound the remaining pictures wait for a later refresh.
constexpr int64_t kMiB = 1024 * 1024;
constexpr int64_t kByteSetTxt = 1 * kMiB;
constexpr int64_t kByteImmaginiPerAggiornamento = 16 * kMiB;
constexpr int64_t kByteImmaginiNellaCartella = 32 * kMiB;

CNetGet& scaricatore(std::unique_ptr<CNetGet>& netget)
{
    if (!netget)
        netget = std::make_unique<CNetGet>();
    return *netget;
}

} // namespace

void Main::crea_menu_link()
{
    menupop2 = new QMenu(QStringLiteral("pop2"), this);
    for (int16_t i = 0; i < int16_t(web.size()); ++i) {
        web[i] = menupop2->addAction(QString());
        imposta_voce(web[i], "-");
        web[i]->setVisible(i == 0);
        platform::on(web[i], &QAction::triggered, this, "web_Click", &Main::web_Click, i);
    }
    platform::on(Image10, &platform::ImageControl::clicked, this, "Image10_Click", &Main::Image10_Click);
    Timer3 = new platform::TimerControl(this, 60000);
    platform::on(Timer3, &platform::TimerControl::Timer, this, "Timer3_Timer", &Main::Timer3_Timer);
}

// The connection test and the downloads let the event loop run, so a refresh can fall due in
// the middle of one; it is skipped rather than run inside the other.
void Main::inizializza_banner()
{
    if (banner_in_corso)
        return;
    banner_in_corso = true;
    resume_next([&] { passo_scorrimento = 150; });
    std::string locale;
    resume_next([&] { locale = platform::program_folder() + "\\set.txt"; });
    resume_next([&] { attendere->show(); });
    bool in_linea = false;
    resume_next([&] {
        std::string nessuno;
        in_linea = TestConnection::verifica_connessione(nessuno);
    });
    bool scaricato = false;
    if (in_linea) {
        resume_next([&] {
            std::string primario = sito_primario;
            sito_raggiungibile = TestConnection::verifica_connessione(primario);
        });
        resume_next([&] { sito_base = sito_raggiungibile ? sito_primario : sito_mirror; });
        resume_next([&] {
            scaricatore(netget).SetBudget(kByteSetTxt);
            ScaricaFile(sito_base + "set.txt", locale);
        });
        scaricato = true;
    }
    bool attivo_banner = false;
    resume_next([&] { attivo_banner = maiuscole(ReadIniFile(locale, "banner", "attivo")) == "TRUE"; });
    if (attivo_banner && scaricato)
        resume_next([&] { scarica_immagini(locale); });
    resume_next([&] { Timer1->setEnabled(attivo_banner); });
    resume_next([&] {
        attendere->hide();
        attendere->repaint();
    });
    resume_next([&] { PicBanner->setVisible(attivo_banner); });
    resume_next([&] { Timer3->setEnabled(true); });
    resume_next([&] {
        if (Timer1->Interval() == 0)
            Timer1->setInterval(1);
    });
    banner_in_corso = false;
}

// The pictures of [mess1], [mess2], ... up to the first section without a display time; one
// already in the program folder is never fetched again.
void Main::scarica_immagini(const std::string& locale)
{
    const platform::IniFileCache una_lettura;
    CNetGet& pagine = scaricatore(netget);
    pagine.SetBudget(std::min(kByteImmaginiPerAggiornamento,
                              kByteImmaginiNellaCartella - byte_immagini(platform::program_folder())));
    for (int n = 1; n <= kMaxMessaggi && *pagine.Budget() > 0; ++n) {
        const std::string sezione = "mess" + std::to_string(n);
        if (platform::Val(ReadIniFile(locale, sezione, "intervallo")) == 0)
            break;
        const std::string immagine = ReadIniFile(locale, sezione, "immagine");
        if (immagine.empty() || !nome_immagine_sicuro(immagine))
            continue;
        const std::string percorso = platform::program_folder() + "\\" + immagine;
        if (!platform::dir_match(percorso))
            ScaricaFile(sito_base + immagine, percorso);
    }
}

void Main::ScaricaFile(const std::string& strURL, const std::string& Destinazione)
{
    resume_next([&] { scaricatore(netget).ReadUrl(strURL, Destinazione); });
}

void Main::Timer3_Timer()
{
    conta_tick = conta_tick + 1;
    if (conta_tick == 5) {
        conta_tick = 0;
        inizializza_banner();
    }
}

void Main::riempi_menu_link()
{
    const platform::IniFileCache una_lettura;
    const std::string locale = platform::program_folder() + "\\set.txt";
    imposta_voce(web[0], "-");
    indirizzi_web[0].clear();
    for (int i = 0; i <= 9; ++i) {
        const std::string numero = std::to_string(i + 1);
        const std::string titolo = ReadIniFile(locale, "banner", "web" + numero);
        if (titolo.empty())
            break;
        web[i]->setVisible(true);
        imposta_voce(web[i], titolo);
        indirizzi_web[i] = ReadIniFile(locale, "banner", "Link" + numero);
    }
}

void Main::Image10_Click()
{
    if (web[0]->text() != QStringLiteral("-"))
        platform::services().popup_menu->popup(*menupop2);
}

void Main::web_Click(int16_t Index)
{
    resume_next([&] {
        const std::string destinazione = indirizzi_web.at(Index);
        if (destinazione.empty())
            return;
        apre_collegamento(destinazione, destinazione);
    });
}
