#include "platform/pictures.h"

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/screen.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace platform {
namespace {

// Headers may claim any size; the decoders are asked for no more than this many source
// pixels (a 61-megapixel camera's photo still opens).
constexpr qint64 kMaxSourcePixels = 64LL * 1000 * 1000;
// The metafile helper limits its own processor time to one second; this bounds the wait for
// it in real time, start-up included, on a busy machine.
constexpr int kHelperTimeLimitMs = 2000;

[[noreturn]] void invalid_picture()
{
    throw StepError(errPictureFormat, "Invalid picture");
}

std::string& metafile_helper_override()
{
    static std::string path;
    return path;
}

QString metafile_helper()
{
    const std::string& path = metafile_helper_override();
    return path.empty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/tavoly-metafile")
                        : QString::fromStdString(path);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Opened without waiting (a named pipe would block the open) and checked on what was opened,
// not on the name: only an ordinary file is read, and never more than the size limit, even
// when it grows while it is read.
QByteArray read_file(const std::string& windows_path)
{
    const std::string path = native_path(windows_path);
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw StepError(errFileNotFound, "File not found");
        throw StepError(errPathFileAccess, "Path/File access error");
    }
    struct stat info;
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw StepError(errPathFileAccess, "Path/File access error");
    if (info.st_size > max_picture_file_bytes)
        invalid_picture();
    QByteArray bytes(static_cast<qsizetype>(info.st_size) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    while (used < bytes.size()) {
        const ssize_t got = read(file.get(), bytes.data() + used, static_cast<size_t>(bytes.size() - used));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw StepError(errPathFileAccess, "Path/File access error");
        if (got == 0)
            break;
        used += got;
    }
    if (used > info.st_size)
        invalid_picture();   // it grew while it was read
    bytes.truncate(used);
    return bytes;
}

// The size a picture of this natural size is decoded or drawn at.
QSize shown_size(QSize natural)
{
    const QSize bound = shown_picture_bound();
    QSize size = natural;
    if (size.width() > bound.width() || size.height() > bound.height())
        size = natural.scaled(bound, Qt::KeepAspectRatio);
    const double pixels = double(size.width()) * size.height();
    if (pixels > max_shown_pixels) {
        const double f = std::sqrt(max_shown_pixels / pixels);
        size = QSize(int(size.width() * f), int(size.height() * f));
    }
    return size.expandedTo(QSize(1, 1));
}

// Content decides: a .jpg that holds a bitmap is a bitmap, and a picture of a format the
// old loader did not know (tiff, webp, ...) is refused even though Qt could read it. A JPEG
// larger than can be shown is decoded scaled down, which needs a fraction of its full size
// in memory; the other formats decode whole within Qt's own allocation limit.
QImage raster_picture(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    static const QList<QByteArray> known{"bmp", "gif", "jpeg", "ico", "png"};
    if (!known.contains(reader.format()))
        invalid_picture();
    const QSize natural = reader.size();
    if (natural.isEmpty() || qint64(natural.width()) * natural.height() > kMaxSourcePixels)
        invalid_picture();
    const QSize shown = shown_size(natural);
    if (shown != natural)
        reader.setScaledSize(shown);
    QImage image = reader.read();
    if (image.isNull())
        invalid_picture();
    image.setDevicePixelRatio(1);
    return image;
}

uint16_t u16(const QByteArray& b, qsizetype at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
uint32_t u32(const QByteArray& b, qsizetype at) { return u16(b, at) | (uint32_t(u16(b, at + 2)) << 16); }
int16_t i16(const QByteArray& b, qsizetype at) { return static_cast<int16_t>(u16(b, at)); }
int32_t i32(const QByteArray& b, qsizetype at) { return static_cast<int32_t>(u32(b, at)); }

struct Metafile {
    enum Kind { None, Wmf, Emf } kind = None;
    double width_tw = 0;    // natural size from the header
    double height_tw = 0;
};

// A placeable metafile's two headers. Only placeable metafiles carry their size, and the old
// loader read no other kind of .wmf. A largest record beyond the file's end would have the
// library allocate what the header claims.
Metafile placeable_wmf(const QByteArray& b)
{
    constexpr qsizetype kPlaceable = 22;
    const int inch = u16(b, 14);
    if (b.size() < kPlaceable + 18 || inch == 0 || u16(b, kPlaceable + 2) != 9
        || 2 * qint64(u32(b, kPlaceable + 12)) > b.size() - kPlaceable)
        invalid_picture();
    return {Metafile::Wmf, std::abs(i16(b, 10) - i16(b, 6)) * 1440.0 / inch,
            std::abs(i16(b, 12) - i16(b, 8)) * 1440.0 / inch};
}

// An enhanced metafile gives its frame in hundredths of a millimetre. Its header, its whole
// length and its description must lie within the file.
Metafile enhanced(const QByteArray& b)
{
    const qint64 size = b.size();
    const qint64 header = u32(b, 4);
    const qint64 description_end = qint64(u32(b, 64)) + 2 * qint64(u32(b, 60));
    if (header < 88 || header > size || qint64(u32(b, 48)) > size || (u32(b, 60) != 0 && description_end > size))
        invalid_picture();
    return {Metafile::Emf, std::abs(double(i32(b, 32)) - i32(b, 24)) * 1440.0 / 2540.0,
            std::abs(double(i32(b, 36)) - i32(b, 28)) * 1440.0 / 2540.0};
}

Metafile metafile_kind(const QByteArray& b)
{
    if (b.size() >= 22 && u32(b, 0) == 0x9AC6CDD7u)
        return placeable_wmf(b);
    if (b.size() >= 88 && u32(b, 0) == 1 && u32(b, 40) == 0x464D4520u)
        return enhanced(b);
    return {};
}

// The helper draws the metafile at a size bounded here, whatever its header says; its crash,
// its limits or a time-out leave no picture.
QImage metafile_picture(const QByteArray& bytes, const Metafile& m)
{
    const QSize pixels = shown_size(QSize(std::max(1, px(m.width_tw)), std::max(1, px(m.height_tw))));
    QProcess helper;
    helper.setStandardErrorFile(QProcess::nullDevice());
    helper.start(metafile_helper(), {m.kind == Metafile::Wmf ? QStringLiteral("wmf") : QStringLiteral("emf"),
                                     QString::number(pixels.width()), QString::number(pixels.height())});
    const QDeadlineTimer deadline(kHelperTimeLimitMs);
    if (!helper.waitForStarted(kHelperTimeLimitMs))
        invalid_picture();
    helper.write(bytes);
    helper.closeWriteChannel();
    if (!helper.waitForFinished(int(deadline.remainingTime()))) {
        helper.kill();
        helper.waitForFinished();
        invalid_picture();
    }
    const QByteArray pixels_out = helper.readAllStandardOutput();
    const qsizetype row = qsizetype(pixels.width()) * 4;
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0
        || pixels_out.size() != row * pixels.height())
        invalid_picture();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        invalid_picture();
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(image.scanLine(y), pixels_out.constData() + y * row, static_cast<size_t>(row));
    return image;
}

} // namespace

QSize shown_picture_bound()
{
    const ScreenSize screen = screen_size();
    constexpr double kPan = 32767;   // a scroll bar's largest maximum
    constexpr double kBarRoom = 245;
    return QSize(std::max(1, int((screen.width + kPan) / kTwipsPerPixel)),
                 std::max(1, int((screen.height + kPan - kBarRoom) / kTwipsPerPixel)));
}

QImage decode_picture(const QByteArray& bytes)
{
    if (bytes.size() > max_picture_file_bytes)
        invalid_picture();
    const Metafile m = metafile_kind(bytes);
    return m.kind == Metafile::None ? raster_picture(bytes) : metafile_picture(bytes, m);
}

QPixmap LoadPicture(const std::string& windows_path)
{
    if (windows_path.empty())
        return {};
    return QPixmap::fromImage(decode_picture(read_file(windows_path)));
}

void set_metafile_helper(std::string path) { metafile_helper_override() = std::move(path); }

} // namespace platform
