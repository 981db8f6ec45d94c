#include "photofile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>

#include "errors.h"
#include "paths.h"

namespace horalia::workers {

namespace {
QString folderMessage(const QString& folder, const QString& why) {
    return QStringLiteral("No se puede guardar la foto en la carpeta «%1»: %2.")
        .arg(QDir::toNativeSeparators(folder), why);
}

// A JPEG (it starts with FF D8) ends with the end-of-image marker FF D9, which some writers
// follow with zeros. Other formats are left to their readers.
bool cutShortJpeg(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || !f.peek(2).startsWith("\xFF\xD8")) {
        return false;
    }
    const qint64 size = f.size();
    const qint64 tail = qMin<qint64>(size, 4096);
    f.seek(size - tail);
    QByteArray end = f.read(tail);
    while (end.endsWith('\0')) {
        end.chop(1);
    }
    return !end.endsWith("\xFF\xD9");
}
}  // namespace

QString photoFilePath(int workerNumber) {
    if (workerNumber <= 0) {
        throw UserError(
            QStringLiteral("El trabajador número %1 no puede tener foto: solo los números "
                           "mayores que cero dan nombre a un archivo de foto.")
                .arg(workerNumber));
    }
    return Paths::photosDir() + QString::number(workerNumber) + QStringLiteral(".bmp");
}

QImage readPicture(const QString& file) {
    const QString message = QStringLiteral("El archivo «%1» no es una imagen que se pueda leer.")
                                .arg(QDir::toNativeSeparators(file));
    if (cutShortJpeg(file)) {
        throw FileError(message);
    }
    QImage picture = QImageReader(file).read();
    if (picture.isNull()) {
        throw FileError(message);
    }
    return picture;
}

QImage fitPhoto(const QImage& picture) {
    QImage photo(kPhotoSide, kPhotoSide, QImage::Format_RGB32);
    photo.fill(Qt::white);
    const QImage scaled =
        picture.scaled(kPhotoSide, kPhotoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&photo);
    painter.drawImage((kPhotoSide - scaled.width()) / 2, (kPhotoSide - scaled.height()) / 2,
                      scaled);
    return photo;
}

void savePhoto(int workerNumber, const QImage& photo) {
    const QString file = photoFilePath(workerNumber);
    const QString folder = Paths::photosDir();
    if (!QFileInfo(folder).isDir()) {
        throw FileError(folderMessage(folder, QStringLiteral("la carpeta no existe")));
    }
    // Written beside the old photo and put in its place at commit, so a failed write never
    // leaves a worker with half a photo.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        throw FileError(folderMessage(folder, QStringLiteral("no se puede escribir en ella")));
    }
    // 24-bit pixels without compression: the bitmap every viewer reads.
    const QImage pixels = photo.convertToFormat(QImage::Format_RGB888);
    if (!pixels.save(&out, "BMP") || !out.commit()) {
        out.cancelWriting();
        throw FileError(folderMessage(
            folder,
            QStringLiteral("no se ha podido escribir «%1»").arg(QFileInfo(file).fileName())));
    }
}

QImage loadPhoto(int workerNumber) {
    if (workerNumber <= 0) {
        return {};
    }
    return QImage(photoFilePath(workerNumber), "BMP");
}

}  // namespace horalia::workers
