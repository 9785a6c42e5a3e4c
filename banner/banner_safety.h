#pragma once
// Rules for what the banner takes from "set.txt", which arrives over plain HTTP from a site we
// do not control.
#include <cstdint>
#include <string>

// A picture name is a plain file name in the program folder (no folder separator, no drive,
// not "." or "..") of one of the picture types the loader reads, by its extension in any
// letter case. Anything else, the book's own files among them, is neither downloaded nor
// loaded.
bool nome_immagine_sicuro(const std::string& nome);

// Bytes that the files of those picture types directly in `cartella` (a path written the
// Windows way) take up together; 0 for a folder that cannot be read.
int64_t byte_immagini(const std::string& cartella);

// Whether a message whose widest line is larghezza_testo twips scrolls in a box that wide.
bool banner_scorre(double larghezza_box, int32_t larghezza_testo);

// Opens a link the banner's way: a new mail message to it when `testo` holds "@", else the
// browser. Through the openers only, whose own rule refuses an address that is an option.
void apre_collegamento(const std::string& link, const std::string& testo);
