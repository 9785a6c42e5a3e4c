// The sound switch of the main window and the routine every user action calls to answer
// with a sound.
#include "contacts/Main.h"
#include "contacts/layout.h"
#include "desktop/Suono.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QPixmap>

namespace {

void salva_suoni(const std::string& value)
{
    platform::SaveSetting(platform::exe_name(), platform::kSettingsSection, "suoni", value);
}

} // namespace

void Main::crea_suoni()
{
    const auto crea = [this](const char* picture) {
        auto* image = platform::click_area(this, layout::kSoundSwitch, QCursor(Qt::PointingHandCursor));
        image->setStretch(true);
        image->setPicture(QPixmap(QString::fromLatin1(picture)));
        return image;
    };
    suono_on = crea(":/art/sound_on.png");
    suono_off = crea(":/art/sound_off.png");
    suono_off->hide();
    platform::on(suono_on, &platform::ImageControl::clicked, this, "suono_on_Click", &Main::suono_on_Click);
    platform::on(suono_off, &platform::ImageControl::clicked, this, "suono_off_Click", &Main::suono_off_Click);
}

// The window may not be on screen yet, so the switch is read from the image's own state.
void Main::Suono(const std::string& file)
{
    platform::resume_next([&] {
        if (suono_on->isHidden())
            return;
        std::string path = platform::program_folder() + "\\" + file;
        int16_t loop = 0;
        ::Suono::riproduci_suono(path, loop);
    });
}

void Main::suono_off_Click()
{
    platform::resume_next([&] { suono_on->show(); });
    platform::resume_next([&] { suono_off->hide(); });
    platform::resume_next([&] { salva_suoni("S"); });
    platform::resume_next([&] { Suono("suoni.wav"); });
}

void Main::suono_on_Click()
{
    platform::resume_next([&] { Suono("suoni.wav"); });
    platform::resume_next([&] { suono_off->show(); });
    platform::resume_next([&] { suono_on->hide(); });
    platform::resume_next([&] { salva_suoni("N"); });
}
