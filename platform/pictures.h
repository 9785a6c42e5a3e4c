#pragma once
// Picture loading for image controls and picture boxes: a file is read whole and its
// content, not its extension, decides the format.
#include <QPixmap>
#include <string>

namespace platform {

// The picture that a file holds, at its natural size: 15 twips per pixel for a raster
// picture (bmp/dib, gif, jpg, ico, png); the size that its header gives for a placeable
// .wmf or an .emf (when the build has the metafile renderers, see metafiles_supported).
// "" gives an empty picture, as the old LoadPicture("") did. Throws
// StepError(errFileNotFound) when the file is missing, StepError(errPathFileAccess) when it
// cannot be read, StepError(errPictureFormat) when it holds no picture of those formats.
QPixmap LoadPicture(const std::string& windows_path);

// Whether this build renders .wmf and .emf files.
bool metafiles_supported();

} // namespace platform
