#include "banner/banner_safety.h"

bool nome_immagine_sicuro(const std::string& nome)
{
    if (nome.empty() || nome == "." || nome == "..")
        return false;
    return nome.find_first_of("/\\:") == std::string::npos && nome.find('\0') == std::string::npos;
}
