#include <QApplication>
#include <QLocale>
#include <QScreen>

#include "calendario.h"
#include "datamodule.h"
#include "demo.h"
#include "empleados.h"
#include "messagebox.h"
#include "paths.h"
#include "principal.h"
#include "ticados.h"

namespace {
// The value after `option` ("--option VALUE" or "--option=VALUE"); empty when absent.
QString optionValue(const QStringList& arguments, const QString& option) {
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == option && i + 1 < arguments.size()) {
            return arguments.at(i + 1);
        }
        if (arguments.at(i).startsWith(option + QLatin1Char('='))) {
            return arguments.at(i).mid(option.size() + 1);
        }
    }
    return {};
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Dates, times and decimals read the way a Spanish station shows them.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const QStringList arguments = app.arguments();
    horalia::Paths::applyArguments(arguments);
    const QString screenshot = optionValue(arguments, QStringLiteral("--screenshot"));
    if (screenshot.isEmpty()) {
        horalia::installMessageBoxReport();
    } else {
        horalia::installHeadlessReport();
    }

    // The data module comes first: its creation reads the configuration and connects, before
    // any window exists. The terminal then installs the program-wide key hook.
    horalia::TDM dm;
    horalia::Tprincipal principal;
    // The maintenance windows are created hidden, live for the whole run and keep their
    // state from one showing to the next.
    horalia::Tticados ticados(dm.dbcontrol);
    horalia::TEmpleados empleados(dm);
    horalia::Tcalendario calendario(dm.dbcontrol);
    empleados.setResetTimer(&principal.temporizador);
    principal.setTimesheetsWindow(&ticados);
    principal.setWorkersWindow(&empleados);
    principal.setCalendarWindow(&calendario);
    // An office station opens with the maintenance menu; a kiosk never shows it by itself.
    if (arguments.contains(QLatin1String("--office"))) {
        principal.setMaintenanceVisible(true);
    }
    // A kiosk often runs with no window manager to maximise it: it fills the screen itself.
    principal.setGeometry(principal.screen()->availableGeometry());
    principal.showMaximized();

    if (!screenshot.isEmpty()) {
        horalia::runScreenshotDemo(
            principal, optionValue(arguments, QStringLiteral("--demo-punch")), screenshot);
    }
    return app.exec();
}
