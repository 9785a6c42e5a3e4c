// Only whole wave files reach the player: it hangs for good on one cut short.
#include "platform/wave.h"
#include "tests/support/helpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::string chunk(const char* id, const std::string& body, uint32_t declared)
{
    std::string c(id, 4);
    for (int i = 0; i < 4; ++i)
        c += char((declared >> (8 * i)) & 0xff);
    return c + body;
}

TEST(WaveCheck, TellsWholeWavesFromBrokenOnesAndTheShippedOnesAreWhole)
{
    const auto wave = [](const std::string& chunks) {
        return chunk("RIFF", "WAVE" + chunks, uint32_t(4 + chunks.size()));
    };
    const std::string fmt = chunk("fmt ", std::string(16, '\x01'), 16);
    const struct {
        const char* name;
        std::string bytes;
        bool whole;
    } cases[] = {
        {"whole", wave(fmt + chunk("data", "abcd", 4)), true},
        {"odd-sized chunk first", wave(fmt + chunk("LIST", "xyz_", 3) + chunk("data", "ab", 2)), true},
        {"empty file", "", false},
        {"header only", "RIFF\x10\0\0\0WAVE", false},
        {"data cut short", wave(fmt + chunk("data", "ab", 4000)), false},
        {"format cut short", wave(chunk("fmt ", "\x01\x02", 16)), false},
        {"no format before the data", wave(chunk("data", "abcd", 4)), false},
        {"not a wave", chunk("RIFF", "AVI xxxx", 8), false},
    };
    QTemporaryDir dir;
    const QString path = dir.path() + "/s.wav";
    for (const auto& c : cases) {
        testing_support::write_file(path, c.bytes);
        EXPECT_EQ(platform::is_complete_wave(path.toStdString()), c.whole) << c.name;
    }
    EXPECT_FALSE(platform::is_complete_wave((dir.path() + "/missing.wav").toStdString()));
    for (std::string name : {"suoni", "piu", "meno", "trovato", "nontrovato", "ordina", "foto", "info", "cancella"}) {
        name = TAVOLY_SOURCE_DIR "/resources/program/" + name + ".wav";
        EXPECT_TRUE(platform::is_complete_wave(name)) << "shipped " << name;
    }
}

} // namespace
