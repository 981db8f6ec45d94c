#include <QApplication>
#include <QLocale>

#include "datamodule.h"
#include "messagebox.h"
#include "paths.h"
#include "principal.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Dates, times and decimals read the way a Spanish station shows them.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    horalia::Paths::applyArguments(app.arguments());
    horalia::installMessageBoxReport();

    // The data module comes first: its creation reads the configuration and connects, before
    // any window exists.
    horalia::TDM dm;
    horalia::Tprincipal principal;
    principal.showMaximized();
    return app.exec();
}
