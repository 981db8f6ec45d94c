#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

#include "errorreport.h"

namespace horalia {

void installMessageBoxReport() {
    ErrorReport::setSink([](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Control Horario"), text,
                        QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });
}

}  // namespace horalia
