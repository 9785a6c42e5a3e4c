#pragma once
// Drawing a Windows metafile (.wmf placeable, .emf) into a picture of a given size, through
// libwmf and libemf2svg into SVG and Qt Svg. The libraries are old C parsers: this code runs
// only inside the short-lived helper process (tools/metafile_helper.cpp) and the fuzzing
// harness, never in the program itself.
#include <QByteArray>
#include <QImage>
#include <QSize>

namespace metafile {

enum class Kind { Wmf, Emf };

// The metafile drawn to fill exactly `pixels`; a null image when it cannot be drawn.
QImage draw(const QByteArray& bytes, Kind kind, QSize pixels);

} // namespace metafile
