#include "stationconfig.h"

#include <QFile>
#include <QFileInfo>

#include "errors.h"

namespace horalia {

namespace {
constexpr int kLines = 5;
// A configuration line is a host name or a password: anything longer is not one, and reading
// it whole from a damaged file could exhaust memory.
constexpr qsizetype kMaxLine = 64 * 1024;

QString decodeLine(QByteArray line) {
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return QString::fromLocal8Bit(line);
}
}  // namespace

StationConfig StationConfig::parse(const QByteArray& content) {
    QString values[kLines];
    qsizetype start = 0;
    for (int i = 0; i < kLines && start < content.size(); ++i) {
        qsizetype end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        values[i] = decodeLine(content.mid(start, qMin(end - start, kMaxLine)));
        start = end;
    }
    return {values[0], values[1], values[2], values[3], values[4]};
}

StationConfig StationConfig::read(const QString& fileName) {
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) {
        throw FileError(QStringLiteral("No se puede abrir el fichero de configuración %1: %2")
                            .arg(fileName, QFileInfo::exists(fileName)
                                               ? file.errorString()
                                               : QStringLiteral("el fichero no existe")));
    }
    // Only the first five lines matter; read no further than they need.
    QByteArray head;
    for (int i = 0; i < kLines && !file.atEnd(); ++i) {
        QByteArray line = file.readLine(kMaxLine);
        if (line.isEmpty() && file.error() != QFileDevice::NoError) {
            throw FileError(QStringLiteral("Error al leer el fichero de configuración %1: %2")
                                .arg(fileName, file.errorString()));
        }
        if (!line.endsWith('\n')) {
            // Skip the rest of an over-long line so the next value starts at a line start.
            while (!file.atEnd()) {
                const QByteArray rest = file.readLine(kMaxLine);
                if (rest.isEmpty() || rest.endsWith('\n')) {
                    break;
                }
            }
            line.append('\n');
        }
        head.append(line);
    }
    return parse(head);
}

}  // namespace horalia
