#pragma once
// The start with the desktop session: the start-up entry written or removed to match the
// user's choice.
#include <cstdint>
#include <string>

namespace EllReg {

// -1: do not start with the session; 0: start with it.
inline int16_t avvio_disattivo = 0;

void scrivi_valore_reg(int32_t hKey, std::string sKeyName, std::string sValueName, int32_t lValueType,
                       std::string vValue);
void cancella_valore_reg(int32_t hKey, std::string sKeyName, std::string sValueName);
void imposta_avvio_automatico();

} // namespace EllReg
