#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "datamodule.h"
#include "errors.h"
#include "paths.h"
#include "testdatabase.h"
#include "tests.h"
#include "workerrules.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::scalar;
using horalia::test::TestDatabase;

namespace {
const char* kWorkers =
    "insert into trabajadores (ide, ID, NIF, nombre, activo) values "
    "(1, 1, '11111111H', 'GARCIA LOPEZ ANA', 1),"
    "(1, 5, '55555555K', 'O''BRIEN SMITH JOHN', 1),"
    "(1, 6, '66666666Q', 'RUTA C:\\\\TEMP', 1),"
    "(1, 7, '77777777B', '50% DESCUENTO', 1),"
    "(1, 57, '57575757Z', 'ANAYA PEREZ JOSE', 0)";
}

class WorkerRulesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<ReportRecorder> report_;
    std::unique_ptr<TDM> dm_;
    QSqlDatabase check_;

    QStringList namesFor(const QString& statement) {
        QStringList names;
        Dataset& q = dm_->qempleados;
        q.close();
        q.setSql(statement);
        q.open();
        for (int r = 0; r < q.recordCount(); ++r) {
            names << q.value(r, q.fieldIndex("nombre")).toString();
        }
        q.close();
        return names;
    }

public:
    ~WorkerRulesTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create("t_workerrules");
        TestDatabase::run("t_workerrules", kWorkers);
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), "t_workerrules", "ALMACEN"));
        report_ = std::make_unique<ReportRecorder>();
        dm_ = std::make_unique<TDM>();
        check_ = TestDatabase::connect("check", "t_workerrules");
    }
    void cleanup() {
        dm_.reset();
        report_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
    }

    void searchFilter_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filtro");
        QTest::newRow("empty field clears the search") << ""
                                                       << "";
        QTest::newRow("text between percent signs") << "ANA"
                                                    << "%ANA%";
        QTest::newRow("blanks are kept") << " ANA "
                                         << "% ANA %";
    }
    void searchFilter() {
        QFETCH(QString, typed);
        QFETCH(QString, filtro);
        QCOMPARE(workers::searchFilter(typed), filtro);
    }

    // Characters that mean something inside a quoted literal: the statement still runs, finds
    // what the text says and nothing else, and the table is untouched.
    void searchTextIsEscaped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("quote") << "O'BRIEN" << QStringList{"O'BRIEN SMITH JOHN"};
        QTest::newRow("backslash") << "C:\\TEMP" << QStringList{"RUTA C:\\TEMP"};
        QTest::newRow("lone backslash at the end") << "\\" << QStringList{"RUTA C:\\TEMP"};
        QTest::newRow("quote that would end the literal")
            << "'; drop table trabajadores; --" << QStringList{};
        QTest::newRow("percent stays a wildcard")
            << "GARCIA%ANA" << QStringList{"GARCIA LOPEZ ANA"};
        QTest::newRow("underscore stays a wildcard") << "_ARCIA" << QStringList{"GARCIA LOPEZ ANA"};
        QTest::newRow("percent typed alone matches every name")
            << "%"
            << QStringList{"50% DESCUENTO", "ANAYA PEREZ JOSE", "GARCIA LOPEZ ANA",
                           "O'BRIEN SMITH JOHN", "RUTA C:\\TEMP"};
        QTest::newRow("number read as text")
            << "7" << QStringList{"50% DESCUENTO", "ANAYA PEREZ JOSE"};
    }
    void searchTextIsEscaped() {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        const QString statement =
            workers::listStatement(dm_->dbcontrol, workers::searchFilter(typed), 1);
        QCOMPARE(namesFor(statement), found);
        QCOMPARE(scalar(check_, "select count(*) from trabajadores").toInt(), 5);
    }

    void verTodosStatements() {
        QCOMPARE(workers::verTodosStatement(true),
                 QString("select * from trabajadores order by nombre asc"));
        QCOMPARE(workers::verTodosStatement(false),
                 QString("select * from trabajadores where activo=1 order by nombre asc"));
    }

    void proposedNumber_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("proposed");
        QTest::newRow("empty table") << "delete from trabajadores" << 1;
        QTest::newRow("highest 57, whatever its activo") << "" << 58;
        QTest::newRow("gaps are not filled") << "delete from trabajadores where ID<57" << 58;
        QTest::newRow("negative numbers only") << "update trabajadores set ID=-ID" << 0;
    }
    void proposedNumber() {
        QFETCH(QString, setup);
        QFETCH(int, proposed);
        if (!setup.isEmpty()) {
            SQL_EXEC(check_, setup);
        }
        Dataset qaux(dm_->dbcontrol, "qaux");
        QCOMPARE(workers::proposeWorkerNumber(qaux), proposed);
        QVERIFY(!qaux.isOpen());
    }

    void fullName_data() {
        QTest::addColumn<QString>("apellidos");
        QTest::addColumn<QString>("nombrecorto");
        QTest::addColumn<QString>("nombre");
        QTest::newRow("surnames first") << "GARCIA LOPEZ"
                                        << "ANA"
                                        << "GARCIA LOPEZ ANA";
        QTest::newRow("no surnames: a blank, then the first name") << ""
                                                                   << "JUAN"
                                                                   << " JUAN";
        QTest::newRow("no first name: surnames and a blank") << "GARCIA"
                                                             << ""
                                                             << "GARCIA ";
        QTest::newRow("nothing is trimmed") << " RUIZ "
                                            << "EVA "
                                            << " RUIZ  EVA ";
    }
    void fullName() {
        QFETCH(QString, apellidos);
        QFETCH(QString, nombrecorto);
        QFETCH(QString, nombre);
        QCOMPARE(workers::fullName(apellidos, nombrecorto), nombre);
    }

    void checksBeforeSave_data() {
        QTest::addColumn<QVariant>("id");
        QTest::addColumn<QString>("nif");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("refusal");
        const QString ok;
        QTest::newRow("complete") << QVariant(8) << "12345678Z"
                                  << "GARCIA ANA" << ok;
        QTest::newRow("no number") << QVariant() << "12345678Z"
                                   << "GARCIA ANA"
                                   << "Falta el número del trabajador: escríbalo en «Id».";
        QTest::newRow("number beyond the column")
            << QVariant(32768) << "12345678Z"
            << "GARCIA ANA"
            << "El número de trabajador 32768 no es válido: escriba en «Id» un número entero "
               "entre -32768 y 32767.";
        QTest::newRow("empty NIF") << QVariant(8) << ""
                                   << "GARCIA ANA"
                                   << "Falta el NIF del trabajador: escríbalo en «Nif».";
        QTest::newRow("blank NIF") << QVariant(8) << "   "
                                   << "GARCIA ANA"
                                   << "Falta el NIF del trabajador: escríbalo en «Nif».";
        QTest::newRow("blank full name")
            << QVariant(8) << "12345678Z"
            << " "
            << "Falta el nombre del trabajador: escríbalo en «Nombre» y «Apellidos».";
        QTest::newRow("full name of 80 fits")
            << QVariant(8) << "12345678Z" << QString(80, 'A') << ok;
        QTest::newRow("full name of 81 does not")
            << QVariant(8) << "12345678Z" << QString(81, 'A')
            << "El nombre completo tiene 81 caracteres y caben 80: acorte «Apellidos» o «Nombre».";
    }
    void checksBeforeSave() {
        QFETCH(QVariant, id);
        QFETCH(QString, nif);
        QFETCH(QString, nombre);
        QFETCH(QString, refusal);
        Dataset& record = dm_->trabajadores;
        record.setMasterLinkActive(false);
        record.open();
        record.append();
        record.setValue("ID", id);
        record.setValue("NIF", nif);
        record.setValue("nombre", nombre);
        QString refused;
        try {
            workers::checkBeforeSave(record);
        } catch (const UserError& e) {
            refused = e.text();
        }
        QCOMPARE(refused, refusal);
        record.cancel();
    }

    void duplicateMessageNamesTheNumber() {
        QCOMPARE(workers::duplicateNumberMessage(12),
                 QString("Ya existe un trabajador con el número 12: escriba otro número en «Id» o "
                         "pulse «Cancelar»."));
    }
};

QObject* newWorkerRulesTest() {
    return new WorkerRulesTest;
}

#include "tst_workerrules.moc"
