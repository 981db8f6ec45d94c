#pragma once

#include <QString>
#include <QStringList>

namespace horalia {

// The station's fixed places on disk and the database port, decided here and nowhere else.
// The installation folder holds the photos (imagenes/), the report templates (informes/) and
// the exported workbook; the configuration file lives apart, as on every station.
class Paths {
public:
    static constexpr const char* kDefaultConfigFile = "/etc/horalia/config.ini";
    static constexpr const char* kDefaultHome = "/opt/horalia";
    static constexpr int kDefaultPort = 3306;
    // Private servers for tests and demos listen elsewhere; this is not part of the
    // station's five-line configuration on purpose.
    static constexpr const char* kPortVariable = "HORALIA_DB_PORT";

    // Reads --config FILE and --home DIR (also --config=FILE); other arguments are left alone.
    static void applyArguments(const QStringList& arguments);

    static QString configFile();
    static QString home();  // always ends with '/'
    static QString photosDir();
    static QString reportsDir();
    static QString workbookFile();
    static int databasePort();

    static void setConfigFile(const QString& file);
    static void setHome(const QString& dir);
};

}  // namespace horalia
