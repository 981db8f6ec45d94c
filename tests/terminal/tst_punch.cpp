#include <QTemporaryDir>
#include <QTest>
#include <barrier>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "clock.h"
#include "datamodule.h"
#include "errors.h"
#include "paths.h"
#include "punch.h"
#include "testdatabase.h"
#include "tests.h"

using namespace horalia;
using horalia::test::scalar;
using horalia::test::TestDatabase;
using Kind = horalia::PunchOutcome::Kind;

namespace {
const char* kDatabase = "t_punch";
const QDate kToday(2026, 3, 5);

// Worker 4 has a NIF that only an escaped lookup can match exactly.
const char* kWorkers =
    "insert into trabajadores (ide, ID, NIF, nombre, activo) values "
    "(1, 1, '12345678Z', 'GARCIA LOPEZ ANA', 1),"
    "(1, 2, 'X1234567L', 'MARTIN RUIZ LUIS', 2),"
    "(1, 3, '33333333P', 'SANZ GIL EVA', 0),"
    "(1, 4, 'A''B\\\\C', 'ORTIZ PONS RAUL', 1),"
    "(1, 7, '77777777B', 'PEREZ DIAZ JUAN', 1)";

const QString kOpenRowsOf =
    QStringLiteral("select * from ticados where idt=%1  and salida_real is null order by fecha");
const QString kListSql = QStringLiteral(
    "select fecha,idt,entrada_real as entrada, salida_real as salida,trabajador from ticados "
    "where  SALIDA_REAL is null and centro=:centro order by entrada_real desc");

QString sqlDate(const QDate& d) {
    return d.toString(Qt::ISODate);
}
}  // namespace

class PunchTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    QSqlDatabase check_;
    TestClock* clock_ = nullptr;

    // One punch row per line, oldest first: "fecha|idt|TRABAJADOR|entrada|salida|centro",
    // with "-" for null, so a whole table is compared at once.
    QStringList rows() {
        QSqlQuery q(check_);
        q.exec(
            "select concat_ws('|', fecha, idt, TRABAJADOR, ifnull(ENTRADA_REAL, '-'), "
            "ifnull(SALIDA_REAL, '-'), ifnull(concat('<', centro, '>'), '-')) "
            "from ticados order by fecha, idt, id");
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString();
        }
        return out;
    }
    void openRow(const QDate& day, int idt) {
        QSqlQuery q(check_);
        q.prepare(
            "insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro) "
            "select ?, ID, nombre, '22:00:00', 'ALMACEN' from trabajadores where ID=?");
        q.addBindValue(day);
        q.addBindValue(idt);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    void at(const QTime& time) { clock_->set(QDateTime(kToday, time)); }

public:
    ~PunchTest() override { cleanup(); }

private slots:
    void init() {
        TestDatabase::create(kDatabase);
        TestDatabase::run(kDatabase, kWorkers);
        Paths::setConfigFile(
            TestDatabase::writeConfig(dir_.filePath("config.ini"), kDatabase, "ALMACEN"));
        clock_ = new TestClock(QDateTime(kToday, QTime(8, 0, 5)));
        Clock::setInstance(clock_);
        dm_ = std::make_unique<TDM>();
        // The terminal window binds the list's work centre before it first reads it.
        dm_->qmovimientos2.setParam("centro", dm_->centrotrabajo);
        check_ = TestDatabase::connect("check", kDatabase);
    }
    void cleanup() {
        dm_.reset();
        check_ = QSqlDatabase();
        TestDatabase::disconnect("check");
        Clock::setInstance(nullptr);
        clock_ = nullptr;
    }

    // The letter test decides NIF or number; numbers are read as signed 32-bit integers.
    void lookupStatement_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("worker");  // empty: not found
        const QString byId = "select * from trabajadores where id=";
        const QString byNif = "select * from trabajadores where nif='%1'";
        QTest::newRow("number") << "7" << byId + "7"
                                << "PEREZ DIAZ JUAN";
        QTest::newRow("leading zeros") << "007" << byId + "7"
                                       << "PEREZ DIAZ JUAN";
        QTest::newRow("plus sign") << "+7" << byId + "7"
                                   << "PEREZ DIAZ JUAN";
        QTest::newRow("negative, nobody") << "-3" << byId + "-3"
                                          << "";
        QTest::newRow("beyond a worker number") << "2147483647" << byId + "2147483647"
                                                << "";
        QTest::newRow("NIF") << "12345678Z" << byNif.arg("12345678Z") << "GARCIA LOPEZ ANA";
        QTest::newRow("NIE") << "X1234567L" << byNif.arg("X1234567L") << "MARTIN RUIZ LUIS";
        QTest::newRow("one capital among digits") << "1-2A" << byNif.arg("1-2A") << "";
        QTest::newRow("capital after Ñ") << "ÑA" << byNif.arg("ÑA") << "";
        QTest::newRow("inactive worker") << "3" << byId + "3"
                                         << "SANZ GIL EVA";
    }
    void lookupStatement() {
        QFETCH(QString, code);
        QFETCH(QString, statement);
        QFETCH(QString, worker);
        const PunchOutcome outcome = punch(*dm_, code);
        QCOMPARE(dm_->qtrabajadores.sql(), statement);
        QCOMPARE(dm_->qtrabajadores.lastStatement(), statement);
        QCOMPARE(outcome.kind, worker.isEmpty() ? Kind::WorkerNotFound : Kind::EntryAccepted);
        QCOMPARE(outcome.workerName, worker);
        QCOMPARE(outcome.text(), worker.isEmpty() ? QString("TRABAJADOR NO ENCONTRADO")
                                                  : QString("ENTRADA ACEPTADA"));
        QCOMPARE(rows().size(), worker.isEmpty() ? 0 : 1);
    }

    void codeThatIsNoNumberStopsThePunch_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("decimal") << "12.5";
        QTest::newRow("inner minus") << "1-2";
        QTest::newRow("letter outside A to Z") << "Ñ";
        QTest::newRow("small letters") << "12345678z";
        QTest::newRow("above 32 bits") << "2147483648";
        QTest::newRow("leading blank") << " 7";
        QTest::newRow("trailing blank") << "7 ";
        QTest::newRow("sign alone") << "-";
        QTest::newRow("injection without capitals") << "' or '1'='1";
    }
    void codeThatIsNoNumberStopsThePunch() {
        QFETCH(QString, code);
        try {
            punch(*dm_, code);
            QFAIL("the punch went on");
        } catch (const UserError& e) {
            QCOMPARE(e.text(), QString("'%1' no es un número de trabajador válido").arg(code));
        }
        QCOMPARE(dm_->qtrabajadores.sql(), QString("select * from trabajadores order by nombre"));
        QVERIFY(!dm_->qtrabajadores.isOpen());
        QVERIFY(rows().isEmpty());
    }

    void emptyCodeDoesNothing() {
        const PunchOutcome outcome = punch(*dm_, QString());
        QCOMPARE(outcome.kind, Kind::Empty);
        QVERIFY(outcome.text().isEmpty());
        QVERIFY(!dm_->qtrabajadores.isOpen());
    }

    // A quote or backslash can neither end the NIF's quotes nor change the statement.
    void nifIsEscaped_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("worker");
        QTest::newRow("always true") << "' OR '1'='1"
                                     << "";
        QTest::newRow("always true after a NIF") << "12345678Z' OR '1'='1"
                                                 << "";
        QTest::newRow("trailing backslash") << "A\\"
                                            << "";
        QTest::newRow("second statement") << "X'; DELETE FROM TICADOS; --"
                                          << "";
        QTest::newRow("quote and backslash, exact") << "A'B\\C"
                                                    << "ORTIZ PONS RAUL";
    }
    void nifIsEscaped() {
        QFETCH(QString, code);
        QFETCH(QString, worker);
        const PunchOutcome outcome = punch(*dm_, code);
        QCOMPARE(outcome.workerName, worker);
        QCOMPARE(outcome.kind, worker.isEmpty() ? Kind::WorkerNotFound : Kind::EntryAccepted);
        QVERIFY(dm_->qtrabajadores.sql().startsWith("select * from trabajadores where nif='"));
        QVERIFY(dm_->qtrabajadores.sql().endsWith("'"));
        QCOMPARE(rows().size(), worker.isEmpty() ? 0 : 1);
        QCOMPARE(scalar(check_, "select count(*) from trabajadores").toInt(), 5);
    }

    // No open row: a new open row for today at this station's work centre, exactly as read.
    void entryOpensARow_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("row");
        QTest::newRow("by number") << "1"
                                   << "ALMACEN"
                                   << "2026-03-05|1|GARCIA LOPEZ ANA|08:00:05|-|<ALMACEN>";
        QTest::newRow("inactive worker by NIF") << "33333333P"
                                                << "ALMACEN"
                                                << "2026-03-05|3|SANZ GIL EVA|08:00:05|-|<ALMACEN>";
        QTest::newRow("work centre with a trailing blank")
            << "7"
            << "ALMACEN "
            << "2026-03-05|7|PEREZ DIAZ JUAN|08:00:05|-|<ALMACEN >";
    }
    void entryOpensARow() {
        QFETCH(QString, code);
        QFETCH(QString, centre);
        QFETCH(QString, row);
        dm_->centrotrabajo = centre;
        dm_->qmovimientos2.setParam("centro", centre);
        const PunchOutcome outcome = punch(*dm_, code);
        QCOMPARE(outcome.kind, Kind::EntryAccepted);
        QVERIFY(outcome.listError.isEmpty());
        QCOMPARE(rows(), QStringList{row});
        const int idt = row.section('|', 1, 1).toInt();
        QCOMPARE(dm_->qaux2.sql(), kOpenRowsOf.arg(idt));
        QCOMPARE(dm_->qticados.sql(),
                 QString("select * from ticados order by fecha desc,entrada_real desc  limit 100"));
        QVERIFY(dm_->qticados.isOpen());
        // The live list was read again, with the parameter it holds.
        QCOMPARE(dm_->qmovimientos2.sql(), kListSql);
        QCOMPARE(dm_->qmovimientos2.lastStatement(),
                 QString(kListSql).replace(":centro", "'" + centre + "'"));
        QCOMPARE(dm_->qmovimientos2.recordCount(), 1);
        QCOMPARE(dm_->qmovimientos2.value("idt").toInt(), idt);
    }

    // The open row of today is closed now, wherever it was opened.
    void sameDayExitClosesTheOpenRow_data() {
        QTest::addColumn<QString>("centre");
        QTest::newRow("this work centre") << "ALMACEN";
        QTest::newRow("another work centre") << "OFICINA";
    }
    void sameDayExitClosesTheOpenRow() {
        QFETCH(QString, centre);
        QCOMPARE(punch(*dm_, "2").kind, Kind::EntryAccepted);
        SQL_EXEC(check_, "update ticados set centro='" + centre + "'");
        at(QTime(14, 30, 15));
        const PunchOutcome outcome = punch(*dm_, "X1234567L");
        QCOMPARE(outcome.kind, Kind::ExitAccepted);
        QCOMPARE(outcome.text(), QString("SALIDA ACEPTADA"));
        QCOMPARE(outcome.workerName, QString("MARTIN RUIZ LUIS"));
        QCOMPARE(rows(),
                 QStringList{"2026-03-05|2|MARTIN RUIZ LUIS|08:00:05|14:30:15|<" + centre + ">"});
        QCOMPARE(dm_->qaux2.sql(), kOpenRowsOf.arg(2));
        QCOMPARE(dm_->qmovimientos2.recordCount(), 0);
        QCOMPARE(scalar(check_, "select num_horas from ticadoscompleto where idt=2").toDouble(),
                 6.5);
    }

    // The oldest open row is closed at the end of its day and today gets a closed row from
    // 00:00:01, without a work centre; other open rows wait for later punches.
    void dayChangeSplitsTheShift_data() {
        QTest::addColumn<QList<int>>("openDaysAgo");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one day old")
            << QList<int>{1}
            << QStringList{"2026-03-04|1|GARCIA LOPEZ ANA|22:00:00|23:59:59|<ALMACEN>",
                           "2026-03-05|1|GARCIA LOPEZ ANA|00:00:01|06:10:00|-"};
        QTest::newRow("three days old")
            << QList<int>{3}
            << QStringList{"2026-03-02|1|GARCIA LOPEZ ANA|22:00:00|23:59:59|<ALMACEN>",
                           "2026-03-05|1|GARCIA LOPEZ ANA|00:00:01|06:10:00|-"};
        QTest::newRow("two open rows, oldest first")
            << QList<int>{1, 3}
            << QStringList{"2026-03-02|1|GARCIA LOPEZ ANA|22:00:00|23:59:59|<ALMACEN>",
                           "2026-03-04|1|GARCIA LOPEZ ANA|22:00:00|-|<ALMACEN>",
                           "2026-03-05|1|GARCIA LOPEZ ANA|00:00:01|06:10:00|-"};
        QTest::newRow("dated after today")
            << QList<int>{-1}
            << QStringList{"2026-03-05|1|GARCIA LOPEZ ANA|00:00:01|06:10:00|-",
                           "2026-03-06|1|GARCIA LOPEZ ANA|22:00:00|23:59:59|<ALMACEN>"};
    }
    void dayChangeSplitsTheShift() {
        QFETCH(QList<int>, openDaysAgo);
        QFETCH(QStringList, expected);
        for (int days : openDaysAgo) {
            openRow(kToday.addDays(-days), 1);
        }
        at(QTime(6, 10));
        const PunchOutcome outcome = punch(*dm_, "1");
        QCOMPARE(outcome.kind, Kind::ExitAccepted);
        QCOMPARE(outcome.workerName, QString("GARCIA LOPEZ ANA"));
        QCOMPARE(rows(), expected);
        QCOMPARE(scalar(check_, "select salidam from ticadoscompleto where idt=1 and fecha='" +
                                    sqlDate(kToday) + "'"),
                 QVariant("06:10:00"));
    }

    // A failure between the two writes of a day change leaves both rows as they were, and
    // the datasets show what is stored.
    void failedDayChangeWritesNothing() {
        openRow(kToday.addDays(-1), 1);
        TestDatabase::run(kDatabase,
                          "DELIMITER $$\n"
                          "CREATE TRIGGER prueba_falla BEFORE INSERT ON ticados FOR EACH ROW\n"
                          "BEGIN IF NEW.ENTRADA_REAL = '00:00:01' THEN\n"
                          "  SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'fallo de prueba';\n"
                          "END IF; END$$\n"
                          "DELIMITER ;\n");
        const QStringList before = rows();
        const QVariant sheetBefore =
            scalar(check_, "select concat_ws('|', salidam, num_horas) from ticadoscompleto");
        QVERIFY_THROWS_EXCEPTION(DatabaseError, punch(*dm_, "1"));
        QCOMPARE(rows(), before);
        QCOMPARE(scalar(check_, "select concat_ws('|', salidam, num_horas) from ticadoscompleto"),
                 sheetBefore);
        QCOMPARE(dm_->qaux2.state(), Dataset::State::Browse);
        QVERIFY(dm_->qaux2.value("SALIDA_REAL").isNull());
        QCOMPARE(dm_->qticados.state(), Dataset::State::Browse);
        QCOMPARE(dm_->qticados.recordCount(), 1);

        // The station goes on: the same datasets record the next punch.
        SQL_EXEC(check_, "drop trigger prueba_falla");
        QCOMPARE(punch(*dm_, "1").kind, Kind::ExitAccepted);
        QCOMPARE(rows().size(), 2);
    }

    // A stored punch is not reported as failed when only the live list cannot be read.
    void listFailureStillReportsTheStoredPunch() {
        dm_->qmovimientos2.setSql("select * from tabla_que_no_existe");
        const PunchOutcome outcome = punch(*dm_, "1");
        QCOMPARE(outcome.kind, Kind::EntryAccepted);
        QVERIFY(outcome.listError.startsWith("Error de la base de datos"));
        QCOMPARE(rows().size(), 1);
    }

    // The lock covers one worker: others punch on while it is held, and the locked worker's
    // punch gives up with a clear text instead of freezing the station.
    void lockHeldElsewhereBlocksOnlyThatWorker() {
        QSqlDatabase other = TestDatabase::connect("other", kDatabase);
        SQL_EXEC(other, "start transaction");
        SQL_EXEC(other, workerLockStatement(1));
        QCOMPARE(punch(*dm_, "2").kind, Kind::EntryAccepted);
        try {
            punch(*dm_, "1");
            QFAIL("the punch did not wait for the lock");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.text().contains("Otro terminal"), qPrintable(e.text()));
        }
        QCOMPARE(scalar(check_, "select count(*) from ticados where idt=1").toInt(), 0);
        SQL_EXEC(other, "rollback");
        other = QSqlDatabase();
        TestDatabase::disconnect("other");
        QCOMPARE(punch(*dm_, "1").kind, Kind::EntryAccepted);
    }

    // Two stations punching the same worker at the same moment: one entry and one exit each
    // time, never two open rows.
    void concurrentPunchesOfOneWorkerAlternate() {
        constexpr int kRounds = 60;
        std::barrier sync(2);
        std::mutex moduleLock;  // creating a module sets the shared DM pointer
        std::vector<Kind> outcomes[2];
        QString failures[2];
        auto station = [&](int n) {
            std::unique_ptr<TDM> dm;
            {
                std::lock_guard guard(moduleLock);
                dm = std::make_unique<TDM>(nullptr, QString("estacion%1").arg(n));
                dm->qmovimientos2.setParam("centro", dm->centrotrabajo);
            }
            for (int round = 0; round < kRounds; ++round) {
                sync.arrive_and_wait();
                try {
                    outcomes[n].push_back(punch(*dm, n == 0 ? "7" : "77777777B").kind);
                } catch (const UserError& e) {
                    failures[n] += e.text() + '\n';
                    outcomes[n].push_back(Kind::Empty);
                }
            }
            std::lock_guard guard(moduleLock);
            dm.reset();
        };
        std::thread a(station, 0);
        std::thread b(station, 1);
        a.join();
        b.join();
        QVERIFY2(failures[0].isEmpty() && failures[1].isEmpty(),
                 qPrintable(failures[0] + failures[1]));
        for (int round = 0; round < kRounds; ++round) {
            const std::set<Kind> pair{outcomes[0][round], outcomes[1][round]};
            QVERIFY2(pair == (std::set<Kind>{Kind::EntryAccepted, Kind::ExitAccepted}),
                     qPrintable(QString("round %1").arg(round)));
        }
        QCOMPARE(scalar(check_, "select count(*) from ticados where idt=7").toInt(), kRounds);
        QCOMPARE(scalar(check_, "select count(*) from ticados where salida_real is null").toInt(),
                 0);
    }
};

QObject* newPunchTest() {
    return new PunchTest;
}

#include "tst_punch.moc"
