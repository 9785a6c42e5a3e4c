// Opening a saved chat conversation of the current contact with the platform's word-processor
// launcher. The program never reads the file itself: the launcher gets its path.
#include "contacts/Main.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/services.h"

using platform::resume_next;

void Main::Image13_Click()
{
    std::string prefisso, etichetta, titolo, scelto;
    resume_next([&] { Suono("suoni.wav"); });
    resume_next([&] {
        prefisso = lingua == 0 ? "Conversations with " : "Conversazioni con ";
        etichetta = lingua == 0 ? "All Conversations " : "Tutte le conversazioni ";
    });
    resume_next([&] { titolo = prefisso + TDBGrid1->Columns("nick"); });
    resume_next([&] {
        const platform::OpenFileRequest request{
            titolo, {{titolo + " ", "*.*;*.*"}, {etichetta + "(*.rtf)", "*.rtf;"}}, path_discussioni};
        scelto = platform::services().open_file->pick(request);
    });
    resume_next([&] { path_discussioni = platform::current_folder(); });
    if (scelto.empty())
        return;
    resume_next([&] {
        for (const std::string& cartella : {dir_windows, dir_system}) {
            const std::string programma = cartella + "\\write.exe";
            if (platform::dir_match(programma)) {
                platform::Shell(programma + " " + scelto, platform::vbNormalFocus);
                return;
            }
        }
    });
}
