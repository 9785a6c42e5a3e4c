// Rasteriser for the artwork generator (make_art.py). Not part of the program: make_art.sh
// builds it into a temporary folder. It uses Qt's own SVG renderer, so the PNG files look
// exactly like the SVG files the program draws at run time.
//
//   render            reads jobs from standard input, one per line:
//                     <svg file> <output .png or .jpg> <width> <height>
//   textpath FAMILY WEIGHT PIXELS TEXT
//                     prints the outline of TEXT as SVG path data (baseline at y 0, pen at
//                     x 0) on the first line and its advance width on the second, so that
//                     the shipped SVG files carry no dependency on installed fonts.

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

QString number(double v)
{
    return QString::number(v, 'f', 2).remove(QRegularExpression("\\.?0+$"));
}

int textpath(const QStringList& args)
{
    QFont font(args.at(0));
    font.setWeight(static_cast<QFont::Weight>(args.at(1).toInt()));
    font.setPixelSize(args.at(2).toInt());
    font.setHintingPreference(QFont::PreferNoHinting);
    const QString text = args.at(3);
    QPainterPath path;
    path.addText(QPointF(0, 0), font, text);
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            d += "M" + number(e.x) + " " + number(e.y);
        } else if (e.isLineTo()) {
            d += "L" + number(e.x) + " " + number(e.y);
        } else if (e.isCurveTo()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            d += "C" + number(e.x) + " " + number(e.y) + " " + number(c2.x) + " " + number(c2.y) +
                 " " + number(end.x) + " " + number(end.y);
            i += 2;
        }
    }
    QTextStream out(stdout);
    out << d << "\n" << number(QFontMetricsF(font).horizontalAdvance(text)) << "\n";
    return 0;
}

bool renderOne(const QString& svg, const QString& target, int width, int height)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return false;
    const bool jpeg = target.endsWith(".jpg");
    QImage image(width, height, jpeg ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(jpeg ? Qt::white : Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, width, height));
    painter.end();
    return image.save(target, nullptr, jpeg ? 88 : -1);
}

int render()
{
    QTextStream in(stdin);
    int failures = 0;
    QString line;
    while (in.readLineInto(&line)) {
        const QStringList job = line.split('\t');
        if (job.size() != 4)
            continue;
        if (!renderOne(job[0], job[1], job[2].toInt(), job[3].toInt())) {
            std::fprintf(stderr, "cannot render %s\n", qPrintable(job[0]));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == "textpath" && args.size() == 5)
        return textpath(args.mid(1));
    if (args.value(0) == "render")
        return render();
    std::fprintf(stderr, "usage: render | textpath FAMILY WEIGHT PIXELS TEXT\n");
    return 2;
}
