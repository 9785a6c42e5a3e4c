// The main window's home-page, help and about buttons.
#include "contacts/Main.h"
#include "desktop/AprePaginaWeb.h"
#include "desktop/Info.h"
#include "platform/failure.h"

void Main::Image16_Click()
{
    AprePaginaWeb::apre_pagina_web(sito_home);
}

void Main::ImgHelp_Click()
{
    platform::resume_next(
        [&] { AprePaginaWeb::apre_pagina_web(AprePaginaWeb::pagina_guida(sito_base, sito_primario, lingua)); });
}

// A fresh box each time, so its notices follow the language in force when it opens.
void Main::Image4_Click()
{
    Suono("info.wav");
    Info box({lingua, sito_home, sito_base, sito_primario}, this);
    box.exec();
}
