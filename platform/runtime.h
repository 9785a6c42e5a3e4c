#pragma once
// The old runtime's conversions and text helpers that the program's logic is written with.
// They never depend on the process locale: the decimal point is "." everywhere.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The numeric value a text begins with: blanks, tabs and line feeds anywhere are skipped;
// an optional sign, digits, one "." and an exponent introduced by E or D are read, and
// reading stops at the first character that does not fit. No number gives 0. A value too
// large for a double gives plus or minus infinity (a later whole-number conversion then
// fails with Overflow); one too small gives 0.
double Val(std::string_view text);

// The nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
// NaN or a result outside the type's range throws StepError(errOverflow, "Overflow").
int16_t CInt(double value);
int32_t CLng(double value);

// 0xRRGGBB of the standard 16-colour palette; an index outside 0..15 throws
// StepError(errInvalidCall).
uint32_t QBColor(int index);

// A number written with at least three digits, padded with "0" on the left: 7 -> "007",
// 1000 -> "1000", -5 -> "-005".
std::string Format3(int n);

// Upper-case hexadecimal without prefix; a negative value as its 32-bit two's complement
// (-1 -> "FFFFFFFF"). A value outside the 32-bit signed range throws Overflow.
std::string Hex(long long value);

// Remove blanks (only " ", not tabs) at the ends.
std::string Trim(std::string_view text);
std::string LTrim(std::string_view text);
std::string RTrim(std::string_view text);

// The text with its ASCII letters in lower case, whatever the locale: field names, keywords,
// file extensions. Other bytes, UTF-8 included, pass unchanged.
std::string lower_ascii(std::string_view text);

// A number as text: up to 15 significant digits, no trailing zeros ("600", "12.5"),
// exponent form "1E+15" for very large or small magnitudes.
std::string CStr(double value);
// The same with a leading blank where a sign would stand for a non-negative number (" 2").
std::string Str(double value);

} // namespace platform
