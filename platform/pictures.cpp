#include "platform/pictures.h"

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/files.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(TAVOLY_METAFILES)
extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}
#endif

namespace platform {
namespace {

[[noreturn]] void invalid_picture()
{
    throw StepError(errPictureFormat, "Invalid picture");
}

QByteArray read_file(const std::string& windows_path)
{
    const QString path = QString::fromStdString(native_path(windows_path));
    const QFileInfo info(path);
    if (!info.exists())
        throw StepError(errFileNotFound, "File not found");
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw StepError(errPathFileAccess, "Path/File access error");
    return file.readAll();
}

// Content decides: a .jpg that holds a bitmap is a bitmap, and a picture of a format the
// old loader did not know (tiff, webp, ...) is refused even though Qt could read it.
QPixmap raster_picture(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    static const QList<QByteArray> known{"bmp", "gif", "jpeg", "ico", "png"};
    if (!known.contains(reader.format()))
        invalid_picture();
    const QImage image = reader.read();
    if (image.isNull())
        invalid_picture();
    return QPixmap::fromImage(image);
}

uint32_t u32(const QByteArray& b, qsizetype at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}
int16_t i16(const QByteArray& b, qsizetype at)
{
    return static_cast<int16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
int32_t i32(const QByteArray& b, qsizetype at) { return static_cast<int32_t>(u32(b, at)); }

struct Metafile {
    enum Kind { None, Wmf, Emf } kind = None;
    double width_tw = 0;    // natural size from the header
    double height_tw = 0;
};

// Only placeable metafiles carry their size, and the old loader read no other kind of .wmf.
// An .emf gives its frame in hundredths of a millimetre.
Metafile metafile_kind(const QByteArray& b)
{
    Metafile m;
    if (b.size() >= 22 && u32(b, 0) == 0x9AC6CDD7u) {
        const int inch = static_cast<uint16_t>(i16(b, 14));
        if (inch == 0)
            invalid_picture();
        m.kind = Metafile::Wmf;
        m.width_tw = std::abs(i16(b, 10) - i16(b, 6)) * 1440.0 / inch;
        m.height_tw = std::abs(i16(b, 12) - i16(b, 8)) * 1440.0 / inch;
    } else if (b.size() >= 88 && u32(b, 0) == 1 && u32(b, 40) == 0x464D4520u) {
        m.kind = Metafile::Emf;
        m.width_tw = std::abs(double(i32(b, 32)) - i32(b, 24)) * 1440.0 / 2540.0;
        m.height_tw = std::abs(double(i32(b, 36)) - i32(b, 28)) * 1440.0 / 2540.0;
    }
    return m;
}

#if defined(TAVOLY_METAFILES)

// libwmf measures text with FreeType and wants the standard PostScript fonts; the DejaVu
// faces stand in for them, so that no further font package is needed.
wmfMapping* postscript_fonts()
{
    static const std::string dir = "/usr/share/fonts/truetype/dejavu/";
    static const std::string files[] = {
        dir + "DejaVuSerif.ttf", dir + "DejaVuSerif-Italic.ttf", dir + "DejaVuSerif-Bold.ttf",
        dir + "DejaVuSerif-BoldItalic.ttf", dir + "DejaVuSans.ttf", dir + "DejaVuSans-Oblique.ttf",
        dir + "DejaVuSans-Bold.ttf", dir + "DejaVuSans-BoldOblique.ttf", dir + "DejaVuSansMono.ttf",
        dir + "DejaVuSansMono-Oblique.ttf", dir + "DejaVuSansMono-Bold.ttf",
        dir + "DejaVuSansMono-BoldOblique.ttf"};
    static const char* const names[] = {
        "Times-Roman", "Times-Italic", "Times-Bold", "Times-BoldItalic", "Helvetica", "Helvetica-Oblique",
        "Helvetica-Bold", "Helvetica-BoldOblique", "Courier", "Courier-Oblique", "Courier-Bold",
        "Courier-BoldOblique", "Symbol", "ZapfDingbats"};
    static wmfMapping map[std::size(names) + 1] = {};
    if (map[0].name == nullptr) {
        for (size_t i = 0; i < std::size(names); ++i) {
            map[i].name = const_cast<char*>(names[i]);
            map[i].mapping = const_cast<char*>(files[i < std::size(files) ? i : 4].c_str());
        }
    }
    return map;
}

QByteArray wmf_to_svg(QByteArray bytes, QSize pixels)
{
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_svg_function;
    options.font.ps = postscript_fonts();
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_FONTMAP | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR
        | WMF_OPT_NO_DEBUG;
    wmfAPI* api = nullptr;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return {};
    }
    QByteArray svg;
    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->flags |= WMF_SVG_INLINE_IMAGES;   // never write side files
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size()) == wmf_E_None) {
        wmfD_Rect bbox;
        if (wmf_scan(api, 0, &bbox) == wmf_E_None) {
            device->bbox = bbox;
            device->width = static_cast<unsigned>(pixels.width());
            device->height = static_cast<unsigned>(pixels.height());
            device->out = wmf_stream_create(api, nullptr);
            const bool played = device->out && wmf_play(api, 0, &bbox) == wmf_E_None;
            char* text = nullptr;
            unsigned long length = 0;
            if (device->out)
                wmf_stream_destroy(api, device->out, &text, &length);
            if (played && text)
                svg = QByteArray(text, static_cast<qsizetype>(length));
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);   // frees the stream's text too
    return svg;
}

QByteArray emf_to_svg(QByteArray bytes, QSize pixels)
{
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    options.emfplus = true;
    options.imgWidth = pixels.width();
    options.imgHeight = pixels.height();
    char* text = nullptr;
    size_t length = 0;
    const int ok = emf2svg(bytes.data(), static_cast<size_t>(bytes.size()), &text, &length, &options);
    QByteArray svg = ok && text ? QByteArray(text, static_cast<qsizetype>(length)) : QByteArray();
    std::free(text);
    return svg;
}

QPixmap metafile_picture(const QByteArray& bytes, const Metafile& m)
{
    const QSize pixels(std::max(1, px(m.width_tw)), std::max(1, px(m.height_tw)));
    constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;   // the raster reader's own limit
    if (qint64(pixels.width()) * pixels.height() > kMaxPixels)
        invalid_picture();
    const QByteArray svg = m.kind == Metafile::Wmf ? wmf_to_svg(bytes, pixels) : emf_to_svg(bytes, pixels);
    QSvgRenderer renderer(svg);
    if (svg.isEmpty() || !renderer.isValid())
        invalid_picture();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        invalid_picture();
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return QPixmap::fromImage(image);
}

#else

QPixmap metafile_picture(const QByteArray&, const Metafile&)
{
    invalid_picture();
}

#endif

} // namespace

QPixmap LoadPicture(const std::string& windows_path)
{
    if (windows_path.empty())
        return {};
    const QByteArray bytes = read_file(windows_path);
    const Metafile m = metafile_kind(bytes);
    return m.kind == Metafile::None ? raster_picture(bytes) : metafile_picture(bytes, m);
}

bool metafiles_supported()
{
#if defined(TAVOLY_METAFILES)
    return true;
#else
    return false;
#endif
}

} // namespace platform
