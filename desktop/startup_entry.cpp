// The start with the desktop session: the entry that starts the program hidden ("S"), and the
// options menu's item that switches it.
#include "desktop/EllReg.h"

#include "contacts/Main.h"
#include "platform/app.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/settings.h"

using platform::resume_next;

namespace EllReg {
namespace {

const char* const kChiaveAvvio = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";

} // namespace

void scrivi_valore_reg(int32_t hKey, std::string sKeyName, std::string sValueName, int32_t lValueType,
                       std::string vValue)
{
    int32_t chiave = 0;
    resume_next([&] { platform::RegCreateKeyA(hKey, sKeyName, chiave); });
    // The one key written here holds commands, which are texts: the value always goes as one.
    if (lValueType == platform::REG_SZ)
        vValue += '\0';
    resume_next([&] { platform::RegSetValueExA(chiave, sValueName, 0, platform::REG_SZ, vValue, int32_t(vValue.size())); });
    resume_next([&] { platform::RegFlushKey(chiave); });
    resume_next([&] { platform::RegCloseKey(chiave); });
}

void cancella_valore_reg(int32_t hKey, std::string sKeyName, std::string sValueName)
{
    int32_t chiave = 0;
    resume_next([&] { platform::RegOpenKeyA(hKey, sKeyName, chiave); });
    resume_next([&] { platform::RegDeleteValueA(chiave, sValueName); });
    resume_next([&] { platform::RegCloseKey(chiave); });
}

void imposta_avvio_automatico()
{
    if (avvio_disattivo != 0) {
        cancella_valore_reg(platform::HKEY_LOCAL_MACHINE, kChiaveAvvio, platform::exe_name());
    } else {
        scrivi_valore_reg(platform::HKEY_LOCAL_MACHINE, kChiaveAvvio, platform::exe_name(), platform::REG_SZ,
                          platform::program_folder() + "\\" + platform::program_file_name() + " S");
    }
}

} // namespace EllReg

void Main::avvioautom_Click()
{
    avvioautom->setChecked(!avvioautom->isChecked());
    EllReg::avvio_disattivo = avvioautom->isChecked() ? 0 : -1;
    EllReg::imposta_avvio_automatico();
    platform::SaveSetting(platform::exe_name(), platform::kSettingsSection, "avvio", EllReg::avvio_disattivo != 0 ? "N" : "S");
}
