#include "paths.h"

namespace horalia {

namespace {
QString& configSlot() {
    static QString s = QString::fromLatin1(Paths::kDefaultConfigFile);
    return s;
}
QString& homeSlot() {
    static QString s = QString::fromLatin1(Paths::kDefaultHome) + QLatin1Char('/');
    return s;
}
}  // namespace

void Paths::applyArguments(const QStringList& arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        const bool hasNext = i + 1 < arguments.size();
        if (a == QLatin1String("--config") && hasNext) {
            setConfigFile(arguments.at(++i));
        } else if (a.startsWith(QLatin1String("--config="))) {
            setConfigFile(a.mid(9));
        } else if (a == QLatin1String("--home") && hasNext) {
            setHome(arguments.at(++i));
        } else if (a.startsWith(QLatin1String("--home="))) {
            setHome(a.mid(7));
        }
    }
}

QString Paths::configFile() { return configSlot(); }
QString Paths::home() { return homeSlot(); }
QString Paths::photosDir() { return home() + QLatin1String("imagenes/"); }
QString Paths::reportsDir() { return home() + QLatin1String("informes/"); }
QString Paths::workbookFile() { return home() + QLatin1String("TICADOS.xlsx"); }

int Paths::databasePort() {
    bool ok = false;
    const int port = qEnvironmentVariableIntValue(kPortVariable, &ok);
    return ok && port > 0 && port < 65536 ? port : kDefaultPort;
}

void Paths::setConfigFile(const QString& file) { configSlot() = file; }

void Paths::setHome(const QString& dir) {
    homeSlot() = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

}  // namespace horalia
