#include "platform/runtime.h"

#include "platform/failure.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

// Reads a text the way the leading-number scan sees it: blanks, tabs and line feeds vanish.
class NumberScanner {
public:
    explicit NumberScanner(std::string_view text) : text_(text) {}

    char peek()
    {
        while (pos_ < text_.size() && is_skipped(text_[pos_]))
            ++pos_;
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void advance() { ++pos_; }

    bool take(char c)
    {
        if (peek() != c)
            return false;
        advance();
        return true;
    }

    std::string digits()
    {
        std::string out;
        while (is_digit(peek())) {
            out += peek();
            advance();
        }
        return out;
    }

    static bool is_digit(char c) { return c >= '0' && c <= '9'; }

private:
    static bool is_skipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

    std::string_view text_;
    size_t pos_ = 0;
};

bool is_exponent_mark(char c)
{
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// The exponent digits, saturated: beyond a few thousand every double over- or underflows.
long exponent_value(const std::string& digits)
{
    constexpr long cap = 100000;
    long value = 0;
    for (char c : digits)
        value = std::min(cap, value * 10 + (c - '0'));
    return value;
}

// Which way a value out of a double's range went: the decimal position of the leading
// non-zero digit decides between overflow (infinity) and underflow (zero).
double out_of_range_value(const std::string& whole, const std::string& fraction, long exponent)
{
    const size_t lead = whole.find_first_not_of('0');
    long magnitude = 0;
    if (lead != std::string::npos) {
        magnitude = static_cast<long>(whole.size() - lead) - 1 + exponent;
    } else {
        const size_t first = fraction.find_first_not_of('0');
        if (first == std::string::npos)
            return 0.0;
        magnitude = exponent - static_cast<long>(first) - 1;
    }
    return magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

double decimal_value(const std::string& whole, const std::string& fraction, long exponent)
{
    const std::string text = (whole.empty() ? "0" : whole) + "." + fraction + "0e"
        + std::to_string(exponent);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return out_of_range_value(whole, fraction, exponent);
    return value;
}

[[noreturn]] void overflow()
{
    throw StepError(errOverflow, "Overflow");
}

double round_half_even(double value)
{
    const double away = std::round(value);
    if (std::fabs(value - std::trunc(value)) != 0.5)
        return away;
    return 2.0 * std::round(value / 2.0);
}

template <class Int>
Int to_whole(double value)
{
    if (std::isnan(value))
        overflow();
    const double rounded = round_half_even(value);
    if (rounded < double(std::numeric_limits<Int>::min())
        || rounded > double(std::numeric_limits<Int>::max()))
        overflow();
    return static_cast<Int>(rounded);
}

bool is_blank(char c) { return c == ' '; }

} // namespace

double Val(std::string_view text)
{
    NumberScanner scan(text);
    const bool negative = scan.peek() == '-';
    if (negative || scan.peek() == '+')
        scan.advance();
    const std::string whole = scan.digits();
    std::string fraction;
    if (scan.take('.'))
        fraction = scan.digits();
    if (whole.empty() && fraction.empty())
        return 0.0;
    long exponent = 0;
    if (is_exponent_mark(scan.peek())) {
        scan.advance();
        const bool exponent_negative = scan.peek() == '-';
        if (exponent_negative || scan.peek() == '+')
            scan.advance();
        exponent = exponent_value(scan.digits());
        if (exponent_negative)
            exponent = -exponent;
    }
    const double value = decimal_value(whole, fraction, exponent);
    // A negative zero would print as "-0"; the old runtime has no such value.
    return negative && value != 0.0 ? -value : value;
}

int16_t CInt(double value) { return to_whole<int16_t>(value); }

int32_t CLng(double value) { return to_whole<int32_t>(value); }

uint32_t QBColor(int index)
{
    static constexpr std::array<uint32_t, 16> palette = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    if (index < 0 || index > 15)
        throw StepError(errInvalidCall, "Invalid procedure call or argument");
    return palette[static_cast<size_t>(index)];
}

std::string Format3(int n)
{
    // Through long long so that the lowest int has a magnitude.
    const long long value = n;
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::string Hex(long long value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        overflow();
    const auto bits = static_cast<uint32_t>(static_cast<int32_t>(value));
    std::array<char, 8> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), bits, 16);
    std::string text(buffer.data(), result.ptr);
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string LTrim(std::string_view text)
{
    size_t start = 0;
    while (start < text.size() && is_blank(text[start]))
        ++start;
    return std::string(text.substr(start));
}

std::string RTrim(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && is_blank(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return LTrim(RTrim(text)); }

std::string lower_ascii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string CStr(double value)
{
    if (value == 0.0)
        return "0";
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 15);
    std::string text(buffer.data(), result.ptr);
    for (char& c : text) {
        if (c == 'e')
            c = 'E';
    }
    return text;
}

std::string Str(double value)
{
    const std::string text = CStr(value);
    return std::signbit(value) && value != 0.0 ? text : " " + text;
}

} // namespace platform
