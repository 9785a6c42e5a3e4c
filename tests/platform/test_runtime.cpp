#include "platform/process.h"
#include "platform/runtime.h"
#include "tests/support/helpers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <tuple>

using namespace platform;
using testing_support::error_number;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

TEST(RuntimeVal, ReadsTheLeadingNumber)
{
    const std::pair<const char*, double> cases[] = {
        {"", 0}, {"&H10", 0}, {"+", 0}, {"-.", 0}, {"e5", 0}, {"abc12", 0}, {"--5", 0}, {"42", 42}, {"+3", 3},
        {".5e1", 5}, {"5.", 5}, {"1E3", 1000}, {"1d-2", 0.01}, {"2.5e+1", 25}, {"1e", 1}, {"1e+", 1}, {"007", 7},
        {"0.1", 0.1}, {" 12 34", 1234}, {"\t1\n2", 12}, {"1\r2", 1},
        {"  -  7", -7}, {"-.5", -0.5}, {"3,5", 3}, {"1.2.3", 1.2}, {"1D2", 100}, {"1 e 3", 1000}, {"1ex", 1},
        {"4000 ms", 4000}, {"123456789012345678901234567890", 123456789012345678901234567890.0},
        // out of a double's range: the sign survives an overflow, an underflow is zero
        {"1e400", inf}, {"-1D999999999999", -inf}, {"100000000000000000000e300", inf}, {"0.001e310", 1e307},
        {"1e-400", 0}, {"0.0000000000000000000000001e-300", 0}, {"0e99999999999999999999", 0},
        // never a negative zero, which would print as "-0"
        {"-0", 0}, {"-1e-999", 0},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Val(text), value);
        EXPECT_EQ(std::signbit(Val(text)), std::signbit(value));
    }
}

TEST(RuntimeWholeNumber, RoundsHalfToEvenAndOutOfRangeOrNaNIsOverflow)
{
    const std::pair<double, int> cases[] = {
        {0.4, 0}, {0.5, 0}, {0.6, 1}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {-2.6, -3},
        {2.4999999999999996, 2}, {32767.4, 32767}, {-32768.5, -32768},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(CInt(value), expected) << value;
        EXPECT_EQ(CLng(value), expected) << value;
    }
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(CLng(-2147483648.5), -2147483648LL);
    for (double v : {32767.5, 32768.0, -32768.6, inf, -inf, not_a_number})
        EXPECT_EQ(error_number([v] { CInt(v); }), errOverflow) << v;
    for (double v : {2147483647.5, -2147483648.6, 1e20, inf, not_a_number})
        EXPECT_EQ(error_number([v] { CLng(v); }), errOverflow) << v;
}

TEST(RuntimeFormatting, NumbersColoursAndTextsAsTheOldRuntimeWroteThem)
{
    EXPECT_EQ(QBColor(1), 0x000080u);   // dark blue: red, green, blue from the top byte down
    EXPECT_EQ(QBColor(4), 0x800000u);   // dark red
    EXPECT_EQ(QBColor(14), 0xFFFF00u);  // yellow
    EXPECT_EQ(QBColor(15), 0xFFFFFFu);
    for (int i : {-1, 16})
        EXPECT_EQ(error_number([i] { QBColor(i); }), errInvalidCall) << i;
    for (const auto& [n, text] : {std::pair{0, "000"}, {7, "007"}, {42, "042"}, {1000, "1000"}, {-5, "-005"},
                                  {-1234, "-1234"}, {std::numeric_limits<int>::min(), "-2147483648"}})
        EXPECT_EQ(Format3(n), text) << n;
    const std::pair<long long, const char*> hex[] = {
        {0, "0"}, {10, "A"}, {7740, "1E3C"}, {-1, "FFFFFFFF"}, {-256, "FFFFFF00"}, {2147483647, "7FFFFFFF"},
        {-2147483648LL, "80000000"},
    };
    for (const auto& [value, text] : hex)
        EXPECT_EQ(Hex(value), text) << value;
    for (long long v : {2147483648LL, -2147483649LL})
        EXPECT_EQ(error_number([v] { Hex(v); }), errOverflow) << v;
    // Up to fifteen digits, the shortest text; Str leaves room for the sign.
    const std::tuple<double, const char*, const char*> texts[] = {
        {0, "0", " 0"}, {-0.0, "0", " 0"}, {600, "600", " 600"}, {12.5, "12.5", " 12.5"},
        {-0.25, "-0.25", "-0.25"}, {0.1 + 0.2, "0.3", " 0.3"}, {1.0 / 3, "0.333333333333333", " 0.333333333333333"},
        {123456789012345, "123456789012345", " 123456789012345"}, {1e15, "1E+15", " 1E+15"},
        {1.5e-7, "1.5E-07", " 1.5E-07"}, {-2147483648.0, "-2147483648", "-2147483648"},
    };
    for (const auto& [value, cstr, str] : texts) {
        EXPECT_EQ(CStr(value), cstr) << value;
        EXPECT_EQ(Str(value), str) << value;
    }
    // Texts: blanks only are trimmed; a byte of UTF-8 is never lowered, whatever the locale.
    EXPECT_EQ(lower_ascii("NOTE.EXE \xC3\x88 \xC3\xA0Z"), "note.exe \xC3\x88 \xC3\xA0z");
    EXPECT_EQ(Trim("  a b  ") + "|" + LTrim("  a b  ") + "|" + RTrim("  a b  "), "a b|a b  |  a b");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(Trim("   "), "");
}

// Exit chosen from the tray while a message box of the start-up waits, before the main loop.
TEST(RuntimeEnd, EndsTheMainLoopEvenWhenCalledBeforeItStarted)
{
    set_end_handler(nullptr);
    QEventLoop message_box;
    QTimer::singleShot(0, &message_box, [] { End(); });
    message_box.exec();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}
