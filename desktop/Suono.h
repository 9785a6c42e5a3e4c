#pragma once
// The sound player: a .wav file played once or in a loop, in the background.
#include <cstdint>
#include <string>

namespace Suono {

// True when the player started the sound; an empty name or a missing file plays nothing.
bool riproduci_suono(std::string& sFile, int16_t& bLoop);

// True when a directory search of sPath with the attribute bits iAttr finds a name (0 an
// ordinary file; 2 hidden, 4 system and 16 folders widen the search). With 16, a trailing
// "\" is removed from the caller's sPath.
bool file_esiste(std::string& sPath, int16_t iAttr = 0);

} // namespace Suono
