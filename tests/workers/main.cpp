#include <QApplication>
#include <QLocale>
#include <QTest>
#include <memory>

#include "tests.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    int failed = 0;
    for (auto make :
         {newWorkerRulesTest, newIntegerBindingTest, newEmpleadosTest, newFotoPanelTest}) {
        std::unique_ptr<QObject> test(make());
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
