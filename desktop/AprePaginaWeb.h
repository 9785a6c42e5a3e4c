#pragma once
// Web pages in the default browser and new messages in the default mail program, for every
// form of the program.
#include <cstdint>
#include <string>

namespace AprePaginaWeb {

// Opens the address in the default browser; tells the user when it is blank, when there is
// no browser, or when the browser cannot be started.
void apre_pagina_web(const std::string& a);

// Opens a new message to destinatario; each other non-empty value becomes a header field.
void apre_email(const std::string& destinatario, const std::string& cc, const std::string& bcc,
                const std::string& oggetto, const std::string& corpo, const std::string& allegato);

// The help page in the language: under sito_base, or under sito_primario while the banner
// has not chosen a base yet, so the address is always a whole one.
std::string pagina_guida(const std::string& sito_base, const std::string& sito_primario, int16_t lingua);

} // namespace AprePaginaWeb
