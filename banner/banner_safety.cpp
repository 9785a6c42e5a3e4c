#include "banner/banner_safety.h"
#include "desktop/AprePaginaWeb.h"

bool nome_immagine_sicuro(const std::string& nome)
{
    if (nome.empty() || nome == "." || nome == "..")
        return false;
    return nome.find_first_of("/\\:") == std::string::npos && nome.find('\0') == std::string::npos;
}

void apre_collegamento(const std::string& link, const std::string& testo)
{
    if (testo.find('@') != std::string::npos)
        AprePaginaWeb::apre_email(link, "", "", "", "", "");
    else
        AprePaginaWeb::apre_pagina_web(link);
}
