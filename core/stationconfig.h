#pragma once

#include <QString>

namespace horalia {

// The station's five-line configuration: host, user, password, database, work centre. Only
// the position of a line gives its meaning; nothing is trimmed.
struct StationConfig {
    QString host;
    QString user;
    QString password;
    QString database;
    QString workCentre;

    // Throws FileError (in Spanish, naming the file) when the file cannot be opened or read.
    static StationConfig read(const QString& fileName);
    // Same rules on bytes already read (8-bit text in the system's code page).
    static StationConfig parse(const QByteArray& content);
};

}  // namespace horalia
