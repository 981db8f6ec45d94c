#pragma once

#include <QImage>
#include <QString>

namespace horalia::workers {

// A worker's photo is a file found by the worker number alone: the photo folder + number +
// ".bmp", a 120 x 120 uncompressed bitmap. No column of the worker row points to it.
inline constexpr int kPhotoSide = 120;

// The photo file of a worker. Only a positive number makes a name: the number is the whole
// file name, so nothing typed can reach the path. Anything else throws UserError.
QString photoFilePath(int workerNumber);

// Reads a picture file. A file that is not a picture Qt can read, or a JPEG cut short (the
// JPEG reader fills a missing tail with grey and calls it a success), throws FileError
// naming the file.
QImage readPicture(const QString& file);

// The picture scaled in proportion and centred on a white 120 x 120 square.
QImage fitPhoto(const QImage& picture);

// Writes `photo` (already 120 x 120) as the worker's photo file, replacing the old one only
// once the new one is complete. A missing or unwritable photo folder throws FileError naming
// the folder; nothing is written then.
void savePhoto(int workerNumber, const QImage& photo);

// The worker's photo, or a null image when the worker has none that can be read.
QImage loadPhoto(int workerNumber);

}  // namespace horalia::workers
