#pragma once
// Whether the machine is on line, or a site answers: the probe "chk.exe" of the program
// folder decides and leaves its verdict as the file "chkon" or "chkoff" beside it.
#include <chrono>
#include <string>

namespace TestConnection {

// True when the probe answered "chkon". False for "chkoff", a missing probe, a probe that
// ended without a verdict or gave none within the time limit, and at once while another test
// waits. A non-empty indirizzo (the target URL; "" for the general test) gets a leading blank.
// A probe that cannot be started throws.
bool verifica_connessione(std::string& indirizzo);

// Deletes "chkon" and "chkoff" from the program folder where they exist.
void cancella_file_chk();

// How long a test waits for the verdict (10 s); tests shorten it.
void imposta_attesa_massima(std::chrono::milliseconds limite);

} // namespace TestConnection
