#include "contacts/Main.h"

// The banner start-up (connection test, settings download, timers) comes with the banner work.
void Main::inizializza_banner() {}
