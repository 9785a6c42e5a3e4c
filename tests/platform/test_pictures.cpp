// Picture loading: formats by content, and how missing, foreign or hostile files fail.
#include "platform/files.h"
#include "platform/pictures.h"
#include "platform/screen.h"
#include "tests/support/helpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdint>
#include <vector>

using namespace platform;
using testing_support::error_number;

namespace {

std::string little_endian(const std::vector<uint32_t>& values, int width)
{
    std::string bytes;
    for (uint32_t v : values)
        for (int i = 0; i < width; ++i)
            bytes += static_cast<char>(v >> (8 * i));
    return bytes;
}

// A placeable metafile of 1500 x 1125 twips (1440 units per inch), all red.
const std::string kWmf = little_endian({0xCDD7, 0x9AC6, 0, 0, 0, 1500, 1125, 1440, 0, 0, 0xCDD7 ^ 0x9AC6 ^ 1500 ^ 1125 ^ 1440,
                                        1, 9, 0x0300, 40, 0, 1, 7, 0, 0,   // header: 40 words, one object
                                        5, 0, 0x020B, 0, 0, 5, 0, 0x020C, 1125, 1500,   // window origin, extent
                                        7, 0, 0x02FC, 0, 0xFF, 0, 0, 4, 0, 0x012D, 0,   // red brush, selected
                                        7, 0, 0x041B, 1125, 1500, 0, 0, 3, 0, 0},   // rectangle, end
                                       2);
// An enhanced metafile of 100 x 75 pixels at 96 dots per inch (its frame in .01 mm), all red.
const std::string kEmf = little_endian({1, 88, 0, 0, 99, 74, 0, 0, 2645, 1984, 0x464D4520, 0x10000, 168, 5, 2, 0, 0, 0,
                                        1024, 768, 271, 203,   // header: 168 bytes, 5 records
                                        39, 24, 1, 0, 0xFF, 0, 37, 12, 1,   // red brush, selected
                                        43, 24, 0, 0, 100, 75, 14, 20, 0, 16, 20},   // rectangle, end
                                       4);

// A load that gives up on a limit of time does so after about the helper's time limit.
constexpr qint64 kLoadTimeLimitMs = 3000;

class PicturesTest : public ::testing::Test {
protected:
    void SetUp() override { set_screen_size(ScreenSize{1280 * 15, 800 * 15}); }
    void TearDown() override
    {
        set_home_folder("");
        set_screen_size(std::nullopt);
        set_metafile_helper(TAVOLY_METAFILE_HELPER);
    }
    std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        testing_support::write_file(QString::fromStdString(path(name)), bytes);
        return path(name);
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PicturesTest, TheContentDecidesTheFormatAndTheNaturalSize)
{
    const std::pair<const char*, const char*> cases[] = {{"a.bmp", "BMP"}, {"a.dib", "BMP"}, {"a.jpg", "JPG"},
                                                         {"a.ico", "ICO"}, {"a.png", "PNG"}, {"png_inside.jpg", "PNG"}};
    for (const auto& [name, format] : cases) {
        SCOPED_TRACE(name);
        QImage image(20, 12, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(QString::fromStdString(path(name)), format));
        EXPECT_EQ(LoadPicture(path(name)).size(), QSize(20, 12));
    }
    // Qt writes no GIF: the smallest one there is, by hand.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00"
                          "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          43);
    EXPECT_EQ(LoadPicture(write("a.gif", gif)).size(), QSize(1, 1));
    for (const std::string& file : {write("a.wmf", kWmf), write("a.emf", kEmf)}) {
        SCOPED_TRACE(file);
        const QImage picture = LoadPicture(file).toImage();
        EXPECT_EQ(picture.size(), QSize(100, 75));
        EXPECT_EQ(picture.pixelColor(50, 37), QColor(Qt::red));
    }
    EXPECT_TRUE(LoadPicture("").isNull());
    set_home_folder(dir.path().toStdString());   // stored links are Windows paths on drive C
    EXPECT_EQ(LoadPicture("C:\\a.png").size(), QSize(20, 12));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(path("a.png")), QString::fromStdString(path("back\\slash.png"))));
    EXPECT_EQ(LoadPicture(path("back\\slash.png")).size(), QSize(20, 12)) << "a native name may hold a \\";
}

// Foreign and damaged files fail as pictures; they must not bring the program down.
TEST_F(PicturesTest, FailuresCarryTheOldErrorNumbers)
{
    std::string zero_inch = kWmf;
    zero_inch[14] = zero_inch[15] = '\0';
    const std::pair<const char*, std::string> invalid[] = {
        {"real.ppm", "P3\n1 1\n255\n0 0 0\n"},   // Qt reads it, the old loader did not
        {"empty.bmp", ""},
        {"cut.png", std::string("\x89PNG\r\n\x1a\n", 8)},
        {"cut.wmf", kWmf.substr(0, 30)},
        {"zero_inch.wmf", zero_inch},
        {"not_placeable.wmf", kWmf.substr(22)},   // the old loader read no other kind
        {"cut.emf", kEmf.substr(0, 90)},
    };
    for (const auto& [name, bytes] : invalid)
        EXPECT_EQ(error_number([&, name = name, bytes = bytes] { LoadPicture(write(name, bytes)); }), errPictureFormat)
            << name;
    EXPECT_EQ(error_number([&] { LoadPicture(dir.path().toStdString()); }), errPathFileAccess);
    EXPECT_EQ(error_number([&] { LoadPicture(path("missing.jpg")); }), errFileNotFound);
    EXPECT_EQ(error_number([&] { LoadPicture(path("no_folder/missing.jpg")); }), errFileNotFound);
}

// A pipe, a device or a huge file fail at once; a large photo is decoded no larger than can be panned.
TEST_F(PicturesTest, OnlyOrdinaryFilesOfBoundedSizeAndPicturesScaledToWhatCanBeShown)
{
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(mkfifo(path("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(error_number([&] { LoadPicture(path("pipe.jpg")); }), errPathFileAccess);
    EXPECT_EQ(error_number([&] { LoadPicture("/dev/zero"); }), errPathFileAccess);
    QFile huge(QString::fromStdString(path("huge.jpg")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(max_picture_file_bytes + 1));
    EXPECT_EQ(error_number([&] { LoadPicture(path("huge.jpg")); }), errPictureFormat);
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(shown_picture_bound(), QSize(3464, 2968));
    QImage photo(8000, 6000, QImage::Format_Grayscale8);
    photo.fill(200);
    ASSERT_TRUE(photo.save(QString::fromStdString(path("phone.jpg")), "JPG", 30));
    clock.restart();
    EXPECT_EQ(LoadPicture(path("phone.jpg")).size(), QSize(3464, 2598));
    EXPECT_LT(clock.elapsed(), kLoadTimeLimitMs);
    set_screen_size(ScreenSize{7680 * 15, 4320 * 15});   // a screen so large that the pixel cap decides
    const QSize capped = LoadPicture(path("phone.jpg")).size();
    EXPECT_LE(qint64(capped.width()) * capped.height(), max_shown_pixels);
    EXPECT_NEAR(double(capped.width()) / capped.height(), 8000.0 / 6000, 0.01);
}

// Whatever its header claims; the helper's crash, hang or refusal is a picture that cannot load.
TEST_F(PicturesTest, MetafilesAreDrawnBoundedByAHelperThatMayFail)
{
    const std::string extreme =   // a frame of 65535 x 65535 inches
        little_endian({0xCDD7, 0x9AC6, 0, 0x8000, 0x8000, 0x7FFF, 0x7FFF, 1, 0, 0, 0xCDD7 ^ 0x9AC6 ^ 1}, 2) + kWmf.substr(22);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(LoadPicture(write("extreme.wmf", extreme)).size(), QSize(2968, 2968));
    EXPECT_LT(clock.elapsed(), kLoadTimeLimitMs);
    const std::string wmf = write("a.wmf", kWmf);
    const std::pair<const char*, const char*> helpers[] = {
        {"hangs", "#!/bin/sh\nexec sleep 30\n"},
        {"crashes", "#!/bin/sh\nkill -SEGV $$\n"},
        {"answers short", "#!/bin/sh\nprintf abc\n"},
    };
    for (const auto& [name, script] : helpers) {
        SCOPED_TRACE(name);
        const std::string helper = write(name, script);
        QFile::setPermissions(QString::fromStdString(helper), QFile::ReadOwner | QFile::ExeOwner);
        set_metafile_helper(helper);
        clock.restart();
        EXPECT_EQ(error_number([&] { LoadPicture(wmf); }), errPictureFormat);
        EXPECT_LT(clock.elapsed(), kLoadTimeLimitMs);
    }
    set_metafile_helper(path("missing"));
    EXPECT_EQ(error_number([&] { LoadPicture(wmf); }), errPictureFormat);
}

// The malformed files found by hand and by fuzzing, kept in tests/corpus/pictures.
TEST_F(PicturesTest, EveryCorpusFileLoadsOrFailsInTime)
{
    const QDir corpus(TAVOLY_SOURCE_DIR "/tests/corpus/pictures");
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QElapsedTimer clock;
        clock.start();
        const int error = error_number([&] {
            const QPixmap picture = LoadPicture(corpus.filePath(name).toStdString());
            EXPECT_LE(picture.width(), 3464);
            EXPECT_LE(picture.height(), 2968);
        });
        EXPECT_TRUE(error == 0 || error == errPictureFormat) << error;
        EXPECT_LT(clock.elapsed(), kLoadTimeLimitMs);
    }
}
