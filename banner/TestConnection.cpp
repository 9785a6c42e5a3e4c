#include "banner/TestConnection.h"

#include "platform/files.h"
#include "platform/screen.h"
#include "platform/services.h"

#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <optional>

namespace TestConnection {
namespace {

std::chrono::milliseconds attesa_massima{10000};
// How often the verdict files are looked for; between looks the event loop sleeps.
constexpr std::chrono::milliseconds kSguardo{50};
bool in_attesa = false;

std::string nella_cartella(const char* nome)
{
    return platform::program_folder() + "\\" + nome;
}

bool esiste(const char* nome)
{
    return platform::dir_match(nella_cartella(nome), platform::vbNormal);
}

// The verdict of one look: "chkon" wins over "chkoff"; a probe that has ended without either
// (looked at before the files, so that a verdict written just before its end counts) is off.
std::optional<bool> verdetto(long long probe)
{
    const bool vivo = platform::services().programs->running(probe);
    if (esiste("chkon"))
        return true;
    if (esiste("chkoff") || !vivo)
        return false;
    return std::nullopt;
}

bool attende_verdetto(long long probe)
{
    QEventLoop loop;
    QTimer sguardo;
    bool risultato = false;
    std::exception_ptr errore;
    const auto scadenza = std::chrono::steady_clock::now() + attesa_massima;
    QObject::connect(&sguardo, &QTimer::timeout, &loop, [&] {
        try {
            const std::optional<bool> v = verdetto(probe);
            if (!v && std::chrono::steady_clock::now() < scadenza)
                return;
            risultato = v.value_or(false);
        } catch (...) {
            errore = std::current_exception();
        }
        loop.quit();
    });
    sguardo.start(kSguardo);
    // A program asked to end runs no loop any more: no verdict is waited for then.
    if (loop.exec() < 0)
        return false;
    if (errore)
        std::rethrow_exception(errore);
    return risultato;
}

} // namespace

bool verifica_connessione(std::string& indirizzo)
{
    if (in_attesa)
        return false;   // the verdict files are shared: one test at a time
    in_attesa = true;
    struct Fine {
        ~Fine()
        {
            in_attesa = false;
            platform::set_mouse_pointer(platform::vbDefault);
        }
    } fine;

    cancella_file_chk();
    if (!indirizzo.empty())
        indirizzo = " " + indirizzo;
    bool risultato = false;
    if (esiste("chk.exe")) {
        platform::set_mouse_pointer(platform::vbHourglass);
        const long long probe = platform::Shell(nella_cartella("chk.exe") + indirizzo, platform::vbHide);
        platform::set_mouse_pointer(platform::vbDefault);
        risultato = attende_verdetto(probe);
    }
    cancella_file_chk();
    return risultato;
}

void cancella_file_chk()
{
    for (const char* nome : {"chkon", "chkoff"})
        if (esiste(nome))
            platform::kill_file(nella_cartella(nome));
}

void imposta_attesa_massima(std::chrono::milliseconds limite)
{
    attesa_massima = limite;
}

} // namespace TestConnection
