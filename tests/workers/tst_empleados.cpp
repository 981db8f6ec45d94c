#include <QAbstractItemModelTester>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "datamodule.h"
#include "empleados.h"
#include "paths.h"
#include "report.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
// Current workers (activo 1) by name: GARCIA 1, MARTIN 2, TORRES 12, VIDAL 112.
const char* kWorkers =
    "insert into trabajadores (ide, ID, NIF, nombre, NOMBRECORTO, APELLIDOS, activo, DIRECCION) "
    "values "
    "(1, 1, '11111111H', 'GARCIA LOPEZ ANA', 'ANA', 'GARCIA LOPEZ', 1, 'CALLE MAYOR 1'),"
    "(1, 2, '22222222J', 'MARTIN RUIZ LUIS', 'LUIS', 'MARTIN RUIZ', 1, NULL),"
    "(1, 3, '33333333P', 'SANZ GIL EVA', 'EVA', 'SANZ GIL', 0, NULL),"
    "(1, 4, '44444444A', 'ANAYA PEREZ JOSE', 'JOSE', 'ANAYA PEREZ', 2, NULL),"
    "(1, 12, '12121212B', 'TORRES DIAZ PEDRO', 'PEDRO', 'TORRES DIAZ', 1, NULL),"
    "(1, 112, '11211211C', 'VIDAL ROS MARTA', 'MARTA', 'VIDAL ROS', 1, NULL),"
    "(1, 120, '12012012D', 'BLANCO MORA JUAN', 'JUAN', 'BLANCO MORA', 0, NULL)";
const QStringList kCurrent{"GARCIA LOPEZ ANA", "MARTIN RUIZ LUIS", "TORRES DIAZ PEDRO",
                           "VIDAL ROS MARTA"};
const QStringList kEveryone{"ANAYA PEREZ JOSE", "BLANCO MORA JUAN", "GARCIA LOPEZ ANA",
                            "MARTIN RUIZ LUIS", "SANZ GIL EVA",     "TORRES DIAZ PEDRO",
                            "VIDAL ROS MARTA"};
}  // namespace

class EmpleadosTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<ReportRecorder> report_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<QTimer> temporizador_;
    std::unique_ptr<TEmpleados> w_;
    QSqlDatabase check_;

    Dataset& list() { return dm_->qempleados; }
    Dataset& record() { return dm_->trabajadores; }

    QStringList names() {
        QStringList out;
        for (int r = 0; r < list().recordCount(); ++r) {
            out << list().value(r, list().fieldIndex("nombre")).toString();
        }
        return out;
    }
    int rows(const QString& where = {}) {
        return scalar(check_, "select count(*) from trabajadores " + where).toInt();
    }
    QVariant stored(const QString& column, int id) {
        return scalar(check_,
                      QString("select %1 from trabajadores where ID=%2").arg(column).arg(id));
    }

    void showWindow() {
        w_->show();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    }
    void closeWindow() {
        QTest::mouseClick(w_->btesalir, Qt::LeftButton);
        QVERIFY(!w_->isVisible());
    }
    // Key by key; QTest's own typing knows only ASCII.
    static void typeKeys(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 128) {
                QTest::keyClick(widget, c.toLatin1());
                continue;
            }
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QApplication::sendEvent(widget, &release);
        }
    }
    // Into a field as a click puts the user there, then typed over what it held.
    void type(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::MouseFocusReason);
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeKeys(edit, text);
    }
    // The control that Tab moves to from `widget`.
    static QWidget* nextTabStop(QWidget* widget) {
        QWidget* next = widget->nextInFocusChain();
        while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) {
            next = next->nextInFocusChain();
        }
        return next;
    }
    void leave(QWidget* widget) { QTest::keyClick(widget, Qt::Key_Tab); }
    void search(const QString& text) {
        type(w_->tbuscarempleados, text);
        leave(w_->tbuscarempleados);
    }
    void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // On the round mark: the rest of a wide radio button does not take clicks.
    void click(QRadioButton* radio) {
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
    }
    void selectWorker(const QString& name) {
        const int row = names().indexOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        QTableView* grid = w_->DBGrid1;
        const QModelIndex index = grid->model()->index(row, 0);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
        QCOMPARE(list().currentRow(), row);
    }
    QString listedId() { return list().value("id").toString(); }
    void newWorker(const QString& nif, const QString& nombre, const QString& apellidos) {
        click(w_->btenuevo);
        QVERIFY(w_->DBEdit39->hasFocus());
        typeKeys(w_->DBEdit39, nif);
        leave(w_->DBEdit39);
        typeKeys(w_->DBEdit40, nombre);
        leave(w_->DBEdit40);
        typeKeys(w_->DBEdit41, apellidos);
        leave(w_->DBEdit41);
    }
    void checkBrowsing() {
        QCOMPARE(record().state(), Dataset::State::Browse);
        QVERIFY(!w_->Pempleadosdatos->isEnabled());
        QVERIFY(w_->btenuevo->isEnabled() && w_->bteborrar->isEnabled() &&
                w_->btemodificar->isEnabled());
        QVERIFY(!w_->bteguardar->isEnabled() && !w_->btecancelar->isEnabled());
        QVERIFY(w_->peimagenes->isVisible());
        QVERIFY(record().masterLinkActive());
        // The record panel shows the list's current worker.
        QCOMPARE(w_->DBEdit38->text(), listedId());
    }
    void checkEditing(Dataset::State state) {
        QCOMPARE(record().state(), state);
        QVERIFY(w_->Pempleadosdatos->isEnabled());
        QVERIFY(!w_->btenuevo->isEnabled() && !w_->bteborrar->isEnabled() &&
                !w_->btemodificar->isEnabled());
        QVERIFY(w_->bteguardar->isEnabled() && w_->btecancelar->isEnabled());
        QVERIFY(w_->Button2->isEnabled() && w_->btesalir->isEnabled());
        QVERIFY(!w_->peimagenes->isVisible());
    }

public:
    ~EmpleadosTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create("t_workers");
        TestDatabase::run("t_workers", kWorkers);
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), "t_workers", "ALMACEN"));
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        temporizador_ = std::make_unique<QTimer>();
        temporizador_->setInterval(2000);
        temporizador_->start();
        w_ = std::make_unique<TEmpleados>(*dm_);
        w_->setResetTimer(temporizador_.get());
        check_ = TestDatabase::connect("check", "t_workers");
        showWindow();
    }
    void cleanup() {
        w_.reset();
        temporizador_.reset();
        dm_.reset();
        report_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
    }

    void firstShowing() {
        QCOMPARE(w_->objectName(), QString("Empleados"));
        QCOMPARE(w_->windowTitle(), QString("Empleados"));
        QCOMPARE(w_->size(), QSize(699, 558));
        QVERIFY(w_->isModal());
        QCOMPARE(list().sql(),
                 QString("select ide,id,nombre from trabajadores where activo=1 order by nombre"));
        QCOMPARE(names(), kCurrent);
        QCOMPARE(w_->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), QString("Nombre"));
        QCOMPARE(w_->DBGrid1->columnWidth(0), 217);
        QCOMPARE(w_->DBGrid1->currentIndex().row(), 0);
        checkBrowsing();
        QCOMPARE(w_->DBEdit39->text(), QString("11111111H"));
        QCOMPARE(w_->DBEdit42->text(), QString("GARCIA LOPEZ ANA"));
        QCOMPARE(w_->DBEdit43->text(), QString("CALLE MAYOR 1"));
        QVERIFY(w_->rbsi->isChecked() && !w_->rbno->isChecked());
        QVERIFY(!w_->DBEdit42->isEnabled());
        QVERIFY(report_->messages.isEmpty());
    }

    void terminalTimerRestsWhileShown() {
        QVERIFY(!temporizador_->isActive());
        closeWindow();
        QVERIFY(temporizador_->isActive());
        showWindow();
        QVERIFY(!temporizador_->isActive());
        w_->close();  // by the window's frame
        QVERIFY(temporizador_->isActive());
        w_->setResetTimer(nullptr);
        showWindow();
        closeWindow();
    }

    void fieldsInTabOrder() {
        const QList<QWidget*> order{w_->DBEdit38, w_->DBEdit39, w_->DBEdit40, w_->DBEdit41,
                                    w_->DBEdit42, w_->DBEdit43, w_->DBEdit44, w_->DBEdit45,
                                    w_->DBEdit46, w_->DBEdit47, w_->DBEdit48, w_->DBEdit49,
                                    w_->DBEdit50, w_->rbsi};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QCOMPARE(nextTabStop(order.at(i)), order.at(i + 1));
        }
        const QStringList labels{"Id",           "Nif",        "Nombre",     "Apellidos",
                                 "N. completo",  "Dirección",  "Población",  "Código Postal",
                                 "Provincia",    "Teléfono 1", "Teléfono 2", "Grupo",
                                 "Observaciones"};
        for (int i = 0; i < labels.size(); ++i) {
            auto* label = w_->Pempleadosdatos->findChild<QLabel*>(QString("Label%1").arg(3 + i));
            QVERIFY(label);
            QCOMPARE(label->text(), labels.at(i));
            QCOMPARE(label->buddy(), order.at(i));
        }
        QCOMPARE(w_->DBRadioGroup1->title(), QString("¿Empleado Actual?"));
        QCOMPARE(w_->rbsi->text(), QString("SI"));
        QCOMPARE(w_->rbno->text(), QString("NO"));
    }

    void fieldInput_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Nif, capitals") << "DBEdit39" << 24 << "12345678z"
                                       << "12345678Z";
        QTest::newRow("Nombre, capitals") << "DBEdit40" << 80 << "ana"
                                          << "ANA";
        QTest::newRow("Apellidos, capitals") << "DBEdit41" << 120 << "garcía"
                                             << "GARCÍA";
        QTest::newRow("Dirección") << "DBEdit43" << 80 << "c/ mayor"
                                   << "C/ MAYOR";
        QTest::newRow("Población") << "DBEdit44" << 40 << "lorca"
                                   << "LORCA";
        QTest::newRow("Código Postal, cut at 10") << "DBEdit45" << 10 << "30800abcdefg"
                                                  << "30800ABCDE";
        QTest::newRow("Provincia") << "DBEdit46" << 40 << "murcia"
                                   << "MURCIA";
        QTest::newRow("Teléfono 1") << "DBEdit47" << 30 << "968 ext"
                                    << "968 EXT";
        QTest::newRow("Teléfono 2") << "DBEdit48" << 30 << "600"
                                    << "600";
        QTest::newRow("Observaciones, small letters") << "DBEdit50" << 400 << "Turno De NOCHE"
                                                      << "turno de noche";
        QTest::newRow("Id, as typed") << "DBEdit38" << 32767 << "25"
                                      << "25";
    }
    void fieldInput() {
        QFETCH(QString, field);
        QFETCH(int, maxLength);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        auto* edit = w_->findChild<QLineEdit*>(field);
        QVERIFY(edit);
        QCOMPARE(edit->maxLength(), maxLength);
        click(w_->btemodificar);
        type(edit, typed);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(w_->DBEdit42->maxLength(), 80);
    }

    // The list statement that every close of the list leaves for its next opening.
    void listStatements_data() {
        QTest::addColumn<QString>("filtro");
        QTest::addColumn<int>("vertodos");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("1: search, everyone")
            << "%ANA%" << 1
            << "select id,nombre,ide from trabajadores  where nombre like('%ANA%') or id "
               "like('%ANA%') order by nombre"
            << QStringList{"ANAYA PEREZ JOSE", "GARCIA LOPEZ ANA"};
        QTest::newRow("2: search, current workers")
            << "%ANA%" << 0
            << "select id,nombre,ide from trabajadores  where (nombre like('%ANA%') or id "
               "like('%ANA%')) and activo=1  order by nombre"
            << QStringList{"GARCIA LOPEZ ANA"};
        QTest::newRow("3: no search, current workers")
            << "" << 0 << "select id,nombre,ide from trabajadores  where activo=1  order by nombre"
            << kCurrent;
        QTest::newRow("4: no search, everyone")
            << "" << 1 << "select id,nombre,ide from trabajadores  order by nombre" << kEveryone;
        QTest::newRow("number read as text, current workers")
            << "%12%" << 0
            << "select id,nombre,ide from trabajadores  where (nombre like('%12%') or id "
               "like('%12%')) and activo=1  order by nombre"
            << QStringList{"TORRES DIAZ PEDRO", "VIDAL ROS MARTA"};
        QTest::newRow("number read as text, everyone")
            << "%12%" << 1
            << "select id,nombre,ide from trabajadores  where nombre like('%12%') or id "
               "like('%12%') order by nombre"
            << QStringList{"BLANCO MORA JUAN", "TORRES DIAZ PEDRO", "VIDAL ROS MARTA"};
    }
    void listStatements() {
        QFETCH(QString, filtro);
        QFETCH(int, vertodos);
        QFETCH(QString, statement);
        QFETCH(QStringList, listed);
        dm_->filtro = filtro;
        dm_->vertodos = vertodos;
        list().close();
        QCOMPARE(list().sql(), statement);
        list().open();
        QCOMPARE(names(), listed);
        QCOMPARE(w_->DBEdit38->text(), listedId());
        list().close();
        list().close();  // closing a closed list rebuilds nothing
        dm_->filtro.clear();
        list().close();
        QCOMPARE(list().sql(), statement);
    }

    void searchAndVerTodosAcrossShowings() {
        QAbstractItemModelTester tester(w_->DBGrid1->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        search("ana");  // typed in small letters, searched in capitals
        QCOMPARE(w_->tbuscarempleados->text(), QString("ANA"));
        QCOMPARE(dm_->filtro, QString("%ANA%"));
        QCOMPARE(dm_->vertodos, 0);
        QCOMPARE(names(), QStringList{"GARCIA LOPEZ ANA"});
        QCOMPARE(w_->DBEdit38->text(), QString("1"));

        // "Ver Todos" lists everyone whatever the search text says...
        click(w_->todosempleados);
        QCOMPARE(list().sql(), QString("select * from trabajadores order by nombre asc"));
        QCOMPARE(names(), kEveryone);
        QCOMPARE(dm_->vertodos, 1);
        QCOMPARE(dm_->filtro, QString("%ANA%"));
        QCOMPARE(w_->tbuscarempleados->text(), QString("ANA"));

        // ...and the search comes back at the next showing.
        closeWindow();
        QCOMPARE(list().sql(), QString("select id,nombre,ide from trabajadores  where nombre "
                                       "like('%ANA%') or id like('%ANA%') order by nombre"));
        showWindow();
        QCOMPARE(names(), (QStringList{"ANAYA PEREZ JOSE", "GARCIA LOPEZ ANA"}));
        QVERIFY(w_->todosempleados->isChecked());
        QCOMPARE(w_->tbuscarempleados->text(), QString("ANA"));
        QCOMPARE(w_->DBEdit38->text(), QString("4"));

        click(w_->todosempleados);
        QCOMPARE(list().sql(),
                 QString("select * from trabajadores where activo=1 order by nombre asc"));
        QCOMPARE(names(), kCurrent);
        QCOMPARE(dm_->vertodos, 0);

        // Entering the field empties it; leaving it without typing clears the search.
        search("");
        QCOMPARE(dm_->filtro, QString());
        QCOMPARE(
            list().sql(),
            QString("select id,nombre,ide from trabajadores  where activo=1  order by nombre"));
        QCOMPARE(names(), kCurrent);
        click(w_->todosempleados);
        search("");
        QCOMPARE(names(), kEveryone);
        QVERIFY(report_->messages.isEmpty());
    }

    void searchFindsNumbers() {
        search("12");
        QCOMPARE(names(), (QStringList{"TORRES DIAZ PEDRO", "VIDAL ROS MARTA"}));
        selectWorker("VIDAL ROS MARTA");
        QCOMPARE(w_->DBEdit38->text(), QString("112"));
    }

    void harmlessSearches_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("500 characters") << QString(500, 'a') << QStringList{};
        QTest::newRow("statement in a quote") << "'; drop table trabajadores; --" << QStringList{};
        QTest::newRow("quote and backslash") << "o'b\\" << QStringList{};
        QTest::newRow("wildcards") << "gar_ia%ana" << QStringList{"GARCIA LOPEZ ANA"};
    }
    void harmlessSearches() {
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);
        search(typed);
        QCOMPARE(names(), listed);
        QVERIFY2(report_->messages.isEmpty(), qPrintable(report_->messages.join('\n')));
        QCOMPARE(rows(), 7);
        QCOMPARE(w_->DBEdit38->text(), listedId());
        if (listed.isEmpty()) {
            click(w_->btemodificar);
            QCOMPARE(report_->messages,
                     QStringList{"No hay ningún trabajador seleccionado que modificar."});
            checkBrowsing();
        }
        closeWindow();
        showWindow();
        QCOMPARE(names(), listed);
    }

    void selectionFollowsAcrossShowings() {
        closeWindow();
        showWindow();
        selectWorker("TORRES DIAZ PEDRO");
        QCOMPARE(w_->DBEdit38->text(), QString("12"));
        click(w_->btemodificar);
        checkEditing(Dataset::State::Edit);
        QVERIFY(w_->DBEdit39->hasFocus());
        type(w_->DBEdit44, "totana");
        click(w_->bteguardar);
        checkBrowsing();
        QCOMPARE(stored("POBLACION", 12).toString(), QString("TOTANA"));
        QCOMPARE(listedId(), QString("12"));
        QTest::keyClick(w_->DBGrid1, Qt::Key_Down);
        QCOMPARE(w_->DBEdit38->text(), QString("112"));
    }

    void proposedNumber_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("empty table") << QStringList{"delete from trabajadores"} << "1";
        QTest::newRow("highest 57") << QStringList{"delete from trabajadores where ID>100",
                                                   "insert into trabajadores (ID, NIF, nombre) "
                                                   "values (57, 'N57', 'PEREZ ROS JUAN')"}
                                    << "58";
        QTest::newRow("highest 120, not listed") << QStringList{} << "121";
    }
    void proposedNumber() {
        QFETCH(QStringList, setup);
        QFETCH(QString, proposed);
        for (const QString& statement : setup) {
            SQL_EXEC(check_, statement);
        }
        click(w_->btenuevo);
        checkEditing(Dataset::State::Insert);
        QVERIFY(!record().masterLinkActive());
        QCOMPARE(w_->DBEdit38->text(), proposed);
        QCOMPARE(record().value("ide").toInt(), 1);
        QCOMPARE(record().value("empresa").toInt(), 1);
        QCOMPARE(record().value("PAGARPORBANCO").toInt(), 0);
        QVERIFY(w_->rbsi->isChecked());
        QCOMPARE(w_->DBEdit49->text(), QString("1"));
        for (QLineEdit* empty :
             {w_->DBEdit39, w_->DBEdit40, w_->DBEdit41, w_->DBEdit42, w_->DBEdit43}) {
            QCOMPARE(empty->text(), QString());
        }
    }

    void newWorkerIsStoredAndSelected() {
        newWorker("12345678z", "eva", "nuñez sol");
        QCOMPARE(w_->DBEdit42->text(), QString("NUÑEZ SOL EVA"));
        type(w_->DBEdit47, "968000000");
        click(w_->bteguardar);
        QVERIFY2(report_->messages.isEmpty(), qPrintable(report_->messages.join('\n')));
        checkBrowsing();
        QCOMPARE(rows(), 8);
        QCOMPARE(stored("nombre", 121).toString(), QString("NUÑEZ SOL EVA"));
        QCOMPARE(stored("NIF", 121).toString(), QString("12345678Z"));
        QCOMPARE(stored("concat(ide,'/',empresa,'/',PAGARPORBANCO,'/',activo)", 121).toString(),
                 QString("1/1/0/1"));
        QCOMPARE(stored("TELEFONO1", 121).toString(), QString("968000000"));
        QCOMPARE(stored("concat(seleccionado,'/',grupo)", 121).toString(), QString("0/0"));
        QVERIFY(stored("DIRECCION", 121).isNull());
        QCOMPARE(names().at(list().currentRow()), QString("NUÑEZ SOL EVA"));
        QCOMPARE(w_->DBEdit38->text(), QString("121"));
    }

    void savingWorker1AmongWorkers10To19ReturnsToWorker1() {
        SQL_EXEC(check_, "delete from trabajadores");
        for (int id = 10; id <= 19; ++id) {
            SQL_EXEC(check_,
                     QString("insert into trabajadores (ID, NIF, nombre) values (%1, 'N%1', "
                             "'ALONSO %1')")
                         .arg(id));
        }
        closeWindow();
        showWindow();
        click(w_->btenuevo);
        QCOMPARE(w_->DBEdit38->text(), QString("20"));
        type(w_->DBEdit38, "1");
        leave(w_->DBEdit38);
        QTest::keyClicks(w_->DBEdit39, "11111111h");
        type(w_->DBEdit40, "ana");
        type(w_->DBEdit41, "zapata");
        click(w_->bteguardar);
        checkBrowsing();
        QCOMPARE(list().currentRow(), 10);
        QCOMPARE(listedId(), QString("1"));
        QCOMPARE(w_->DBEdit42->text(), QString("ZAPATA ANA"));

        // Edited in its turn, it moves in the list and the list follows it.
        selectWorker("ALONSO 10");
        click(w_->btemodificar);
        type(w_->DBEdit41, "zurita");
        click(w_->bteguardar);
        checkBrowsing();
        QCOMPARE(names().last(), QString("ZURITA "));
        QCOMPARE(listedId(), QString("10"));
        QVERIFY(report_->messages.isEmpty());
    }

    void savedFormerWorkerLeavesTheList() {
        selectWorker("MARTIN RUIZ LUIS");
        click(w_->btemodificar);
        click(w_->rbno);
        QCOMPARE(w_->DBEdit49->text(), QString("0"));
        click(w_->bteguardar);
        checkBrowsing();
        QCOMPARE(stored("activo", 2).toInt(), 0);
        QCOMPARE(names(),
                 (QStringList{"GARCIA LOPEZ ANA", "TORRES DIAZ PEDRO", "VIDAL ROS MARTA"}));
        QCOMPARE(listedId(), QString("12"));  // the row the refresh left current
    }

    void groupTwoSelectsNeitherAnswer() {
        QVERIFY(!names().contains("ANAYA PEREZ JOSE"));
        click(w_->todosempleados);
        selectWorker("ANAYA PEREZ JOSE");
        QCOMPARE(w_->DBEdit49->text(), QString("2"));
        QVERIFY(!w_->rbsi->isChecked() && !w_->rbno->isChecked());
        click(w_->btemodificar);
        click(w_->rbsi);
        QCOMPARE(w_->DBEdit49->text(), QString("1"));
        type(w_->DBEdit49, "5");
        QVERIFY(!w_->rbsi->isChecked() && !w_->rbno->isChecked());
        click(w_->bteguardar);
        QCOMPARE(stored("activo", 4).toInt(), 5);
        QCOMPARE(listedId(), QString("4"));
    }

    void cancelDropsTheChange() {
        click(w_->btenuevo);
        QTest::keyClicks(w_->DBEdit39, "99999999R");
        click(w_->btecancelar);
        checkBrowsing();
        QCOMPARE(rows(), 7);
        QCOMPARE(w_->DBEdit38->text(), QString("1"));
        QCOMPARE(record().recordCount(), 1);  // tied to the list again

        selectWorker("MARTIN RUIZ LUIS");
        click(w_->btemodificar);
        type(w_->DBEdit43, "plaza nueva");
        click(w_->btecancelar);
        checkBrowsing();
        QCOMPARE(w_->DBEdit43->text(), QString());
        QVERIFY(stored("DIRECCION", 2).isNull());
    }

    void closingWhileEditingDropsTheChange() {
        click(w_->btemodificar);
        type(w_->DBEdit43, "plaza nueva");
        closeWindow();
        QCOMPARE(stored("DIRECCION", 1).toString(), QString("CALLE MAYOR 1"));
        showWindow();
        checkBrowsing();
        QCOMPARE(w_->DBEdit43->text(), QString("CALLE MAYOR 1"));
    }

    void deleteIsImmediate() {
        selectWorker("MARTIN RUIZ LUIS");
        click(w_->bteborrar);
        QVERIFY(report_->messages.isEmpty());
        QCOMPARE(rows("where ID=2"), 0);
        QCOMPARE(rows(), 6);
        QCOMPARE(names(),
                 (QStringList{"GARCIA LOPEZ ANA", "TORRES DIAZ PEDRO", "VIDAL ROS MARTA"}));
        checkBrowsing();
        QCOMPARE(listedId(), QString("12"));
    }

    void deleteWithAnEmptyList() {
        search("zzz");
        QVERIFY(names().isEmpty());
        click(w_->bteborrar);
        QCOMPARE(report_->messages,
                 QStringList{"No hay ningún trabajador seleccionado que borrar."});
        QCOMPARE(rows(), 7);
        checkBrowsing();
    }

    void fullName_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("apellidos");
        QTest::addColumn<QString>("full");
        QTest::newRow("first name JUAN, no surnames") << "juan"
                                                      << ""
                                                      << " JUAN";
        QTest::newRow("GARCIA LOPEZ and ANA") << "ana"
                                              << "garcia lopez"
                                              << "GARCIA LOPEZ ANA";
        QTest::newRow("blanks kept") << "ana "
                                     << "garcia"
                                     << "GARCIA ANA ";
    }
    void fullName() {
        QFETCH(QString, nombre);
        QFETCH(QString, apellidos);
        QFETCH(QString, full);
        selectWorker("MARTIN RUIZ LUIS");
        click(w_->btemodificar);
        type(w_->DBEdit40, nombre);
        type(w_->DBEdit41, apellidos);
        leave(w_->DBEdit41);
        QCOMPARE(w_->DBEdit42->text(), full);
        // Leaving "Nombre" composes too, with what "Apellidos" holds.
        type(w_->DBEdit41, "ruiz");
        type(w_->DBEdit40, nombre);
        leave(w_->DBEdit40);
        QCOMPARE(record().value("nombre").toString(), "RUIZ " + nombre.toUpper());
        type(w_->DBEdit41, apellidos);
        leave(w_->DBEdit41);
        click(w_->bteguardar);
        QCOMPARE(stored("nombre", 2).toString(), full);
    }

    void duplicateNumberIsRefused() {
        newWorker("12345678Z", "ana", "ruiz");
        type(w_->DBEdit38, "2");
        click(w_->bteguardar);
        QCOMPARE(report_->messages, QStringList{"Ya existe un trabajador con el número 2: escriba "
                                                "otro número en «Id» o pulse «Cancelar»."});
        checkEditing(Dataset::State::Insert);
        QCOMPARE(rows(), 7);
        QCOMPARE(stored("nombre", 2).toString(), QString("MARTIN RUIZ LUIS"));
        type(w_->DBEdit38, "50");
        click(w_->bteguardar);
        checkBrowsing();
        QCOMPARE(stored("nombre", 50).toString(), QString("RUIZ ANA"));
        QCOMPARE(report_->messages.size(), 1);

        // Renumbering an existing worker onto a number in use is refused the same way.
        selectWorker("TORRES DIAZ PEDRO");
        click(w_->btemodificar);
        type(w_->DBEdit38, "1");
        click(w_->bteguardar);
        QCOMPARE(report_->messages.last(),
                 QString("Ya existe un trabajador con el número 1: "
                         "escriba otro número en «Id» o pulse «Cancelar»."));
        checkEditing(Dataset::State::Edit);
        QCOMPARE(rows("where ID=12"), 1);
    }

    void badInputIsRefusedAndNothingWritten_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("nif");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("apellidos");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty NIF") << ""
                                   << ""
                                   << "ana"
                                   << "ruiz"
                                   << "Falta el NIF del trabajador: escríbalo en «Nif».";
        QTest::newRow("blank NIF") << ""
                                   << "   "
                                   << "ana"
                                   << "ruiz"
                                   << "Falta el NIF del trabajador: escríbalo en «Nif».";
        QTest::newRow("no name") << ""
                                 << "12345678Z"
                                 << ""
                                 << ""
                                 << "Falta el nombre del trabajador: escríbalo en «Nombre» y "
                                    "«Apellidos».";
        QTest::newRow("letters in Id") << "12a"
                                       << "12345678Z"
                                       << "ana"
                                       << "ruiz"
                                       << "«12a» no es un valor válido para Id: escriba un número "
                                          "entero entre -32768 y 32767.";
        QTest::newRow("Id above 32767") << "40000"
                                        << "12345678Z"
                                        << "ana"
                                        << "ruiz"
                                        << "«40000» no es un valor válido para Id: escriba un "
                                           "número entero entre -32768 y 32767.";
        QTest::newRow("full name beyond 80") << ""
                                             << "12345678Z"
                                             << "ana" << QString(80, 'x')
                                             << "El nombre completo tiene 84 caracteres y caben "
                                                "80: acorte «Apellidos» o «Nombre».";
    }
    void badInputIsRefusedAndNothingWritten() {
        QFETCH(QString, id);
        QFETCH(QString, nif);
        QFETCH(QString, nombre);
        QFETCH(QString, apellidos);
        QFETCH(QString, message);
        click(w_->btenuevo);
        if (!id.isEmpty()) {
            type(w_->DBEdit38, id);
        }
        type(w_->DBEdit39, nif);
        if (!nombre.isEmpty() || !apellidos.isEmpty()) {
            type(w_->DBEdit40, nombre);
            type(w_->DBEdit41, apellidos);
        }
        click(w_->bteguardar);
        QCOMPARE(report_->messages, QStringList{message});
        checkEditing(Dataset::State::Insert);
        QCOMPARE(rows(), 7);
        if (!id.isEmpty()) {
            QCOMPARE(w_->DBEdit38->text(), id);  // what was typed stays to be corrected
        }
        click(w_->btecancelar);
        checkBrowsing();
        QCOMPARE(rows(), 7);
    }

    // "Tarjetas": the selected worker's four cards, from the template in the installation
    // folder; without it an empty preview and no message.
    void cards_data() {
        QTest::addColumn<bool>("withTemplate");
        QTest::addColumn<bool>("entering");
        QTest::addColumn<QString>("nif");
        QTest::addColumn<QString>("name");
        QTest::newRow("shipped template") << true << false << "12121212B"
                                          << "TORRES DIAZ PEDRO";
        QTest::newRow("template missing") << false << false << ""
                                          << "";
        // The record query is untied then and holds everyone: only the worker on screen.
        QTest::newRow("worker being entered") << true << true << "98765432M"
                                              << "RUIZ ANA";
    }
    void cards() {
        QFETCH(bool, withTemplate);
        QFETCH(bool, entering);
        QFETCH(QString, nif);
        QFETCH(QString, name);
        QTemporaryDir home;
        QDir(home.path()).mkpath("informes");
        const QString file = home.filePath("informes/tarjeta2.fr3");
        if (withTemplate) {
            QVERIFY(QFile::copy(HORALIA_SOURCE_DIR "/informes/tarjeta2.fr3", file));
        }
        const QString oldHome = Paths::home();
        Paths::setHome(home.path());
        selectWorker("TORRES DIAZ PEDRO");
        if (entering) {
            newWorker("98765432m", "ana", "ruiz");
        }
        std::vector<reports::PreparedReport> shown;
        const auto oldHook = reports::Report::setPreviewHook(
            [&shown](const reports::PreparedReport& r, QWidget*) { shown.push_back(r); });
        click(w_->Button2);
        reports::Report::setPreviewHook(oldHook);
        Paths::setHome(oldHome);
        QCOMPARE(report_->messages, QStringList());
        QCOMPARE(int(shown.size()), 1);
        if (entering) {
            QCOMPARE(record().state(), Dataset::State::Insert);  // the entry goes on
        } else {
            checkBrowsing();
        }
        if (!withTemplate) {
            QVERIFY(shown[0].pages.empty());
            QCOMPARE(shown[0].missingTemplate, file);
            return;
        }
        QCOMPARE(int(shown[0].pages.size()), 1);
        QStringList barcodes;
        QStringList names;
        for (const reports::PageItem& item : shown[0].pages[0].items) {
            if (item.kind == reports::PageItem::Kind::Barcode) {
                barcodes << item.text;
            } else if (item.text == name) {
                names << item.text;
            }
        }
        QCOMPARE(barcodes, QStringList(4, nif));
        QCOMPARE(names.size(), 4);
    }

    void screenshots() {
        w_->grab().save("/tmp/empleados_browse.png");
        click(w_->btemodificar);
        type(w_->DBEdit44, "lorca");
        w_->grab().save("/tmp/empleados_edit.png");
        click(w_->btecancelar);
        click(w_->todosempleados);
        selectWorker("ANAYA PEREZ JOSE");
        w_->grab().save("/tmp/empleados_group2.png");
    }
};

QObject* newEmpleadosTest() {
    return new EmpleadosTest;
}

#include "tst_empleados.moc"
