// Picture loading: the formats read, natural sizes, and how a missing or foreign file fails.
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/pictures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace platform;

namespace {

template <class F>
int error_number(F&& f)
{
    try {
        f();
    } catch (const StepError& e) {
        return e.number();
    }
    return 0;
}

struct Bytes {
    std::string b;
    void u16(uint16_t v)
    {
        b.push_back(static_cast<char>(v & 0xff));
        b.push_back(static_cast<char>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(static_cast<uint16_t>(v & 0xffff));
        u16(static_cast<uint16_t>(v >> 16));
    }
};

// A placeable metafile of w x h twips (1440 units per inch): a red rectangle over the whole
// picture with a green ellipse in its middle.
std::string placeable_wmf(uint16_t w, uint16_t h)
{
    Bytes r;
    const auto record = [&r](uint16_t function, std::vector<uint16_t> params) {
        r.u32(static_cast<uint32_t>(3 + params.size()));
        r.u16(function);
        for (uint16_t p : params)
            r.u16(p);
    };
    record(0x020B, {0, 0});                                      // SetWindowOrg
    record(0x020C, {h, w});                                      // SetWindowExt
    record(0x02FC, {0, 0x00FF, 0x0000, 0});                      // red solid brush
    record(0x012D, {0});                                         // SelectObject
    record(0x041B, {h, w, 0, 0});                                // Rectangle
    record(0x02FC, {0, 0xFF00, 0x0000, 0});                      // green solid brush
    record(0x012D, {1});
    record(0x0418, {uint16_t(h * 3 / 4), uint16_t(w * 3 / 4), uint16_t(h / 4), uint16_t(w / 4)});   // Ellipse
    record(0x0000, {});                                          // EOF
    Bytes header;
    header.u16(1);
    header.u16(9);
    header.u16(0x0300);
    header.u32(static_cast<uint32_t>(9 + r.b.size() / 2));
    header.u16(2);
    header.u32(7);
    header.u16(0);
    Bytes placeable;
    placeable.u32(0x9AC6CDD7);
    for (uint16_t v : {uint16_t(0), uint16_t(0), uint16_t(0), w, h, uint16_t(1440)})
        placeable.u16(v);
    placeable.u32(0);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= static_cast<uint16_t>(static_cast<uint8_t>(placeable.b[2 * i])
                                     | (static_cast<uint8_t>(placeable.b[2 * i + 1]) << 8));
    placeable.u16(sum);
    return placeable.b + header.b + r.b;
}

// An enhanced metafile of w x h pixels at 96 dots per inch, drawn like the one above.
std::string enhanced_metafile(int w, int h)
{
    Bytes r;
    uint32_t records = 1;
    const auto record = [&](uint32_t type, std::vector<int32_t> params) {
        r.u32(type);
        r.u32(static_cast<uint32_t>(8 + 4 * params.size()));
        for (int32_t p : params)
            r.u32(static_cast<uint32_t>(p));
        ++records;
    };
    record(39, {1, 0, 0x000000FF, 0});    // CreateBrushIndirect, red
    record(37, {1});                      // SelectObject
    record(43, {0, 0, w, h});             // Rectangle
    record(39, {2, 0, 0x0000FF00, 0});    // green
    record(37, {2});
    record(42, {w / 4, h / 4, w * 3 / 4, h * 3 / 4});   // Ellipse
    record(14, {0, 16, 20});              // EOF
    Bytes header;
    const auto frame = [](int pixels) { return static_cast<uint32_t>(pixels * 2540 / 96); };   // .01 mm
    for (uint32_t v : {1u, 88u, 0u, 0u, uint32_t(w - 1), uint32_t(h - 1), 0u, 0u, frame(w), frame(h), 0x464D4520u,
                       0x10000u, uint32_t(88 + r.b.size()), records})
        header.u32(v);
    header.u16(3);
    header.u16(0);
    for (uint32_t v : {0u, 0u, 0u, 1024u, 768u, 271u, 203u})
        header.u32(v);
    return header.b + r.b;
}

class PicturesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { set_home_folder(""); }

    std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        QFile f(QString::fromStdString(path(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path(name);
    }
    std::string image(const std::string& name, const char* format, int w, int h) const
    {
        QImage picture(w, h, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        EXPECT_TRUE(picture.save(QString::fromStdString(path(name)), format)) << name;
        return path(name);
    }

    QTemporaryDir dir;
};

} // namespace

// The content decides the format, whatever the file is named.
TEST_F(PicturesTest, ReadsTheOldFormatsAtOnePixelPerFifteenTwips)
{
    const struct {
        const char* name;
        const char* format;
    } cases[] = {
        {"a.bmp", "BMP"}, {"a.dib", "BMP"}, {"a.jpg", "JPG"}, {"a.ico", "ICO"}, {"a.png", "PNG"},
        {"png_inside.jpg", "PNG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadPicture(image(c.name, c.format, 20, 12)).size(), QSize(20, 12));
    }
    // Qt writes no GIF: the smallest one there is, by hand.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00"
                          "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          43);
    EXPECT_EQ(LoadPicture(write("a.gif", gif)).size(), QSize(1, 1));
}

TEST_F(PicturesTest, FailuresCarryTheOldErrorNumbers)
{
    image("real.ppm", "PPM", 4, 4);   // Qt reads it, the old loader did not
    write("text.jpg", "not a picture at all");
    write("empty.bmp", "");
    write("cut.png", std::string("\x89PNG\r\n\x1a\n", 8));
    QDir(dir.path()).mkdir("folder");
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {path("missing.jpg"), errFileNotFound},
        {path("no_folder/missing.jpg"), errFileNotFound},
        {path("folder"), errPathFileAccess},
        {path("real.ppm"), errPictureFormat},
        {path("text.jpg"), errPictureFormat},
        {path("empty.bmp"), errPictureFormat},
        {path("cut.png"), errPictureFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(error_number([&] { LoadPicture(c.path); }), c.error);
    }
}

TEST_F(PicturesTest, AnEmptyNameGivesAnEmptyPicture)
{
    EXPECT_TRUE(LoadPicture("").isNull());
}

TEST_F(PicturesTest, WindowsPathsOnDriveCAreFoundUnderTheHomeFolder)
{
    QDir(dir.path()).mkdir("Foto");
    image("Foto/mario.png", "PNG", 7, 5);
    set_home_folder(dir.path().toStdString());
    EXPECT_EQ(LoadPicture("C:\\Foto\\mario.png").size(), QSize(7, 5));
}

TEST_F(PicturesTest, MetafilesTakeTheSizeTheirHeaderGives)
{
    if (!metafiles_supported())
        GTEST_SKIP() << "this build renders no metafiles";
    const QImage wmf = LoadPicture(write("a.wmf", placeable_wmf(1500, 1125))).toImage();
    const QImage emf = LoadPicture(write("a.emf", enhanced_metafile(100, 75))).toImage();
    for (const QImage& picture : {wmf, emf}) {
        EXPECT_EQ(picture.size(), QSize(100, 75));
        EXPECT_EQ(picture.pixelColor(10, 37), QColor(Qt::red));
        EXPECT_EQ(picture.pixelColor(50, 37), QColor(Qt::green));
    }
}

// Damaged metafiles fail as pictures; they must not bring the program down.
TEST_F(PicturesTest, DamagedMetafilesAreInvalidPictures)
{
    const std::string wmf = placeable_wmf(1500, 1125);
    const std::string emf = enhanced_metafile(100, 75);
    std::string zero_inch = wmf;
    zero_inch[14] = zero_inch[15] = '\0';
    const std::string cases[] = {
        wmf.substr(0, 30),
        zero_inch,
        emf.substr(0, 90),
        wmf.substr(22),   // no placeable header: the old loader read none of these
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const std::string file = write("bad" + std::to_string(i) + ".wmf", cases[i]);
        EXPECT_EQ(error_number([&] { LoadPicture(file); }), errPictureFormat);
    }
}
