#include "tools/metafile_convert.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace metafile {
namespace {

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

} // namespace

QImage draw(const QByteArray& bytes, Kind kind, QSize pixels)
{
    const QByteArray svg = kind == Kind::Wmf ? wmf_to_svg(bytes, pixels) : emf_to_svg(bytes, pixels);
    if (svg.isEmpty())
        return {};
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return image;
}

} // namespace metafile
