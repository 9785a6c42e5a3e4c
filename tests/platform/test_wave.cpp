// Only whole wave files reach the player: it hangs for good on one cut short.
#include "platform/wave.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string chunk(const char* id, const std::string& body, uint32_t declared)
{
    std::string c(id, 4);
    for (int i = 0; i < 4; ++i)
        c += char((declared >> (8 * i)) & 0xff);
    return c + body;
}

std::string riff(const std::string& chunks)
{
    return chunk("RIFF", "WAVE" + chunks, uint32_t(chunks.size() + 4));
}

const std::string kFormat(16, '\x01');

TEST(WaveCheck, TellsWholeWavesFromBrokenOnes)
{
    const struct {
        const char* name;
        std::string bytes;
        bool whole;
    } cases[] = {
        {"whole", riff(chunk("fmt ", kFormat, 16) + chunk("data", "abcd", 4)), true},
        {"extra chunk before the data", riff(chunk("fmt ", kFormat, 16) + chunk("LIST", "xyz_", 3) + chunk("data", "ab", 2)), true},
        {"empty file", "", false},
        {"header only", "RIFF\x10\0\0\0WAVE", false},
        {"data cut short", riff(chunk("fmt ", kFormat, 16) + chunk("data", "ab", 4000)), false},
        {"format cut short", riff(chunk("fmt ", "\x01\x02", 16)), false},
        {"no format before the data", riff(chunk("data", "abcd", 4)), false},
        {"not a wave", chunk("RIFF", "AVI xxxx", 8), false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.path() + "/s.wav";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes.data(), qint64(c.bytes.size()));
        f.close();
        EXPECT_EQ(platform::is_complete_wave(path.toStdString()), c.whole);
    }
    EXPECT_FALSE(platform::is_complete_wave((dir.path() + "/missing.wav").toStdString()));
}

TEST(WaveCheck, TheShippedSoundsAreWhole)
{
    for (const char* name : {"suoni", "piu", "meno", "trovato", "nontrovato", "ordina", "foto", "info", "cancella"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(platform::is_complete_wave(std::string(TAVOLY_SOURCE_DIR "/resources/program/") + name + ".wav"));
    }
}

} // namespace
