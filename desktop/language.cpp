#include "contacts/Main.h"
#include "platform/app.h"
#include "platform/settings.h"

// The texts of both languages arrive with the interface-language work; until then the design
// texts (English) stay.
void Main::applica_lingua() {}

void Main::Salvalingua()
{
    platform::SaveSetting(platform::exe_name(), platform::kSettingsSection, "lingua", lingua == 0 ? "0" : "1");
}
