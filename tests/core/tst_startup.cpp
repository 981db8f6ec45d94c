#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "datamodule.h"
#include "errors.h"
#include "paths.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::ReportRecorder;
using horalia::test::TestDatabase;

class StartupTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString config_;

private slots:
    void initTestCase() {
        TestDatabase::create("t_startup");
        config_ = dir_.filePath("config.ini");
    }
    void init() { qputenv(Paths::kPortVariable, QByteArray::number(TestDatabase::port())); }

    void wellFormedFileConnectsSilently() {
        TestDatabase::writeConfig(config_, "t_startup", "ALMACEN ");
        Paths::setConfigFile(config_);
        ReportRecorder report;
        TDM dm;
        QVERIFY(report.messages.isEmpty());
        QVERIFY(dm.dbcontrol.isOpen());
        QCOMPARE(dm.dbcontrol.hostName(), QString("127.0.0.1"));
        QCOMPARE(dm.dbcontrol.databaseName(), QString("t_startup"));
        QCOMPARE(dm.centrotrabajo, QString("ALMACEN "));
        QCOMPARE(DM, &dm);
    }

    void refusedConnectionIsReportedAndLaterOperationsTryAgain() {
        TestDatabase::writeConfig(config_, "t_startup", "ALMACEN", "wrong-password");
        Paths::setConfigFile(config_);
        ReportRecorder report;
        TDM dm;
        QCOMPARE(report.messages, QStringList{"Error de conexion a la base de datos"});
        QVERIFY(!dm.dbcontrol.isOpen());
        dm.qmovimientos2.setParam("centro", dm.centrotrabajo);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.qmovimientos2.open());
        QVERIFY(!dm.qmovimientos2.isOpen());
    }

    void missingFileKeepsTheBuiltInSettings() {
        Paths::setConfigFile(dir_.filePath("missing.ini"));
        ReportRecorder report;
        TDM dm;
        QCOMPARE(report.messages.size(), 1);
        QVERIFY2(report.messages.first().contains("missing.ini"), qPrintable(report.messages.first()));
        QVERIFY(!dm.dbcontrol.isOpen());
        QCOMPARE(dm.dbcontrol.hostName(), QString("localhost"));
        QCOMPARE(dm.dbcontrol.userName(), QString("root"));
        QCOMPARE(dm.dbcontrol.databaseName(), QString("cosecha"));
        QVERIFY(dm.centrotrabajo.isEmpty());
    }

    void stationPortIs3306UnlessOverridden() {
        qunsetenv(Paths::kPortVariable);
        QCOMPARE(Paths::databasePort(), 3306);
        qputenv(Paths::kPortVariable, "3391");
        QCOMPARE(Paths::databasePort(), 3391);
    }

    void fourLineFileGivesAnEmptyWorkCentre() {
        QFile f(config_);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("127.0.0.1\nroot\n\nt_startup\n");
        f.close();
        Paths::setConfigFile(config_);
        ReportRecorder report;
        TDM dm;
        QVERIFY(report.messages.isEmpty());
        QVERIFY(dm.centrotrabajo.isEmpty());
    }

    // A server that accepts the connection and never speaks: start-up must give up after
    // the connect timeout, not hang the station.
    void silentServerTimesOut() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        qputenv(Paths::kPortVariable, QByteArray::number(silent.serverPort()));
        TestDatabase::writeConfig(config_, "t_startup", "ALMACEN");
        Paths::setConfigFile(config_);
        ReportRecorder report;
        TDM dm;
        QCOMPARE(report.messages, QStringList{"Error de conexion a la base de datos"});
    }

    void missingDeclaredColumnRefusesToOpen() {
        TestDatabase::create("t_startup_nocol");
        TestDatabase::run("t_startup_nocol", "alter table trabajadores drop column retencion_me");
        TestDatabase::writeConfig(config_, "t_startup_nocol", "ALMACEN");
        Paths::setConfigFile(config_);
        ReportRecorder report;
        TDM dm;
        QVERIFY(report.messages.isEmpty());
        try {
            dm.trabajadores.open();
            QFAIL("opened without retencion_me");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.text().contains("retencion_me"), qPrintable(e.text()));
        }
        // The terminal's lookup does not declare that column and still works.
        dm.qtrabajadores.open();
        QVERIFY(dm.qtrabajadores.isOpen());
    }

    void columnOfAnotherKindRefusesToOpen() {
        TestDatabase::create("t_startup_kind");
        TestDatabase::run("t_startup_kind", "alter table ticados modify ENTRADA_REAL varchar(8)");
        TestDatabase::writeConfig(config_, "t_startup_kind", "ALMACEN");
        Paths::setConfigFile(config_);
        TDM dm;
        try {
            dm.qticados.open();
            QFAIL("opened with a text ENTRADA_REAL");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.text().contains("ENTRADA_REAL") && e.text().contains("hora"), qPrintable(e.text()));
        }
    }
};

QObject* newStartupTest() { return new StartupTest; }

#include "tst_startup.moc"
