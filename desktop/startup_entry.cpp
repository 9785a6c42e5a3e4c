#include "contacts/Main.h"

// Writing or removing the start-up entry comes with the desktop integration.
void Main::imposta_avvio_automatico() {}
