#include "banner/banner_safety.h"
#include "desktop/AprePaginaWeb.h"
#include "platform/files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace {

bool tipo_immagine(std::string nome)
{
    static constexpr std::array<std::string_view, 9> kTipi{".bmp", ".dib", ".gif", ".jpg", ".jpeg",
                                                           ".png", ".wmf", ".emf", ".ico"};
    std::transform(nome.begin(), nome.end(), nome.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(kTipi.begin(), kTipi.end(), [&](std::string_view tipo) {
        return nome.size() > tipo.size() && nome.ends_with(tipo);
    });
}

} // namespace

bool nome_immagine_sicuro(const std::string& nome)
{
    if (nome.empty() || nome == "." || nome == "..")
        return false;
    return nome.find_first_of("/\\:") == std::string::npos && nome.find('\0') == std::string::npos
        && tipo_immagine(nome);
}

int64_t byte_immagini(const std::string& cartella)
{
    namespace fs = std::filesystem;
    int64_t totale = 0;
    std::error_code errore;
    for (fs::directory_iterator it(platform::native_path(cartella), errore), fine; !errore && it != fine;
         it.increment(errore)) {
        std::error_code illeggibile;
        if (!it->is_regular_file(illeggibile) || !tipo_immagine(it->path().filename().string()))
            continue;
        const std::uintmax_t byte = it->file_size(illeggibile);
        if (!illeggibile)
            totale += static_cast<int64_t>(byte);
    }
    return totale;
}

void apre_collegamento(const std::string& link, const std::string& testo)
{
    if (testo.find('@') != std::string::npos)
        AprePaginaWeb::apre_email(link, "", "", "", "", "");
    else
        AprePaginaWeb::apre_pagina_web(link);
}
