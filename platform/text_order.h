#pragma once
// Text compared and sorted the way the book's users expect it in Italian and English: without
// regard to the case of any letter, accented letters beside their base letters. The database
// holds, beside each such text column, a key column of these keys, which plain byte order sorts
// right, so that ordinary indexes serve every order and any SQLite tool can read and check
// the file.
#include <string>
#include <string_view>

namespace platform {

// The letter's case-folded form ("È" -> "è", "Σ" -> "σ"); other characters as they are.
char32_t fold_case(char32_t c);

// The sort key: the text's base letters, case folded ("Èlo" -> "elo"), then a byte 1 and the
// whole text case folded ("èlo"), so that "elo" < "èlo" < "elp" and two texts that differ only
// in the case of their letters have the same key.
std::string text_key(std::string_view text);

// The base-letter part of text_key for a prefix: every key of a text that begins with `prefix`
// (without regard to case) begins with it too.
std::string text_key_prefix(std::string_view prefix);

} // namespace platform
