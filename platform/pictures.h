#pragma once
// Picture loading for image controls and picture boxes. Every picture comes from a file that
// someone else made, so the loader trusts none: it reads only an ordinary file, and only up
// to a size limit; the content, not the extension, decides the format; a picture is decoded
// at most as large as the viewer can show it; metafiles are drawn by a helper process under
// limits of memory and time. Whatever exceeds a limit fails like a format it cannot read.
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <string>

namespace platform {

// The picture that a file holds, at its natural size: 15 twips per pixel for a raster
// picture (bmp/dib, gif, jpg, ico, png); the size that its header gives for a placeable
// .wmf or an .emf. A picture larger than shown_picture_bound() comes scaled down to fit it,
// keeping its proportions. "" gives an empty picture, as the old LoadPicture("") did. Throws
// StepError(errFileNotFound) when the file is missing, StepError(errPathFileAccess) when it
// is no ordinary file or cannot be read, StepError(errPictureFormat) when it holds no picture
// of those formats, is too large, or cannot be drawn within the limits.
QPixmap LoadPicture(const std::string& windows_path);

// The same for the bytes of a file already read (at most max_picture_file_bytes).
QImage decode_picture(const QByteArray& bytes);

// Files larger than this are refused unread.
constexpr qint64 max_picture_file_bytes = 64LL << 20;

// The largest picture the viewer can show and pan: its scroll bars reach at most 32767
// twips past the screen's size. Never more than max_shown_pixels in all.
QSize shown_picture_bound();
constexpr qint64 max_shown_pixels = 24LL * 1000 * 1000;

// The metafile helper; by default "tavoly-metafile" beside the running executable.
void set_metafile_helper(std::string path);

} // namespace platform
