#include "desktop/Suono.h"

#include "platform/files.h"
#include "platform/services.h"

namespace Suono {

namespace {
constexpr int16_t kFolder = 16;
}

bool riproduci_suono(std::string& sFile, int16_t& bLoop)
{
    try {
        if (sFile.empty())
            return false;
        if (!file_esiste(sFile, 0))
            return false;
        return platform::services().sound->play(platform::native_path(sFile), bLoop != 0);
    } catch (...) {
        return false;
    }
}

bool file_esiste(std::string& sPath, int16_t iAttr)
{
    try {
        if (iAttr == kFolder && !sPath.empty() && sPath.back() == '\\')
            sPath.pop_back();
        return platform::dir_match(sPath, iAttr);
    } catch (...) {
        return false;
    }
}

} // namespace Suono
