// Times the punch on a database filled by generate-punch-data.sql (run through
// run-punch-bench.sh): an entry, a same-day exit and a day change, each as the whole punch
// (lookup, lock, open-row search, writes, commit, live-list re-read), and the live-list re-read
// alone. Prints median and 99th percentile, and the query plan of every statement the punch
// runs; exits with 1 when a plan reads a table without an index.
//
//     punch_bench --config FILE [--punches N]     (HORALIA_DB_PORT: the server's port)

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "benchsupport.h"
#include "clock.h"
#include "datamodule.h"
#include "errors.h"
#include "paths.h"
#include "punch.h"

using namespace horalia;
using namespace horalia::bench;

namespace {

// Workers 1..300 are clocked in at ALMACEN by the generator; the bench punches the others:
// the timed ones from 301 up, the warm-up and the round-trip count from the top down.
constexpr int kFirstFreeWorker = 301;
constexpr int kLastWorker = 5000;
constexpr int kLastTimedWorker = kLastWorker - 12;

struct Figures {
    QString name;
    std::vector<double> ms;
};

void printFigures(const std::vector<Figures>& all) {
    out() << Qt::endl
          << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg("measurement", -34)
                 .arg("n", 6)
                 .arg("median ms", 10)
                 .arg("p99 ms", 10)
                 .arg("max ms", 10)
          << Qt::endl;
    for (const Figures& f : all) {
        out() << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(f.name, -34)
                     .arg(f.ms.size(), 6)
                     .arg(percentile(f.ms, 0.5), 10, 'f', 3)
                     .arg(percentile(f.ms, 0.99), 10, 'f', 3)
                     .arg(*std::max_element(f.ms.begin(), f.ms.end()), 10, 'f', 3)
              << Qt::endl;
    }
}

// Runs `punchOf(i)` for i in [0, n) and times each call; every one must come to `expected`.
Figures timePunches(const QString& name, int n, PunchOutcome::Kind expected,
                    const std::function<PunchOutcome(int)>& punchOf) {
    Figures f{name, {}};
    f.ms.reserve(size_t(n));
    QElapsedTimer t;
    for (int i = 0; i < n; ++i) {
        t.start();
        const PunchOutcome outcome = punchOf(i);
        f.ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (outcome.kind != expected || !outcome.listError.isEmpty()) {
            die(QStringLiteral("%1: punch %2 came to '%3' %4")
                    .arg(name)
                    .arg(i)
                    .arg(outcome.text(), outcome.listError));
        }
    }
    return f;
}

// A plan uses an index when every table it reads is reached through a key, or when the
// optimiser found the answer without reading rows at all.
bool printPlan(const QSqlDatabase& db, const QString& title, const QString& statement) {
    QSqlQuery q = run(db, QStringLiteral("explain ") + statement);
    out() << Qt::endl << "-- " << title << Qt::endl << statement << Qt::endl;
    const QSqlRecord r = q.record();
    bool indexed = true;
    const QStringList columns{"table",   "type", "possible_keys", "key",
                              "key_len", "ref",  "rows",          "Extra"};
    while (q.next()) {
        QStringList cells;
        for (const QString& c : columns) {
            cells << c + "=" +
                         (q.value(r.indexOf(c)).isNull() ? "NULL"
                                                         : q.value(r.indexOf(c)).toString());
        }
        out() << "   " << cells.join("  ") << Qt::endl;
        const QString extra = q.value(r.indexOf("Extra")).toString();
        const bool noRowsRead = extra.contains("Impossible WHERE") ||
                                extra.contains("No tables used") ||
                                extra.contains("const row not found");
        // A walk along an index is fine when it stops after a few rows (order by ... limit).
        const QString type = q.value(r.indexOf("type")).toString();
        const bool longIndexWalk =
            type == "index" && q.value(r.indexOf("rows")).toLongLong() > 1000;
        if (!noRowsRead && (q.value(r.indexOf("key")).isNull() || type == "ALL" || longIndexWalk ||
                            extra.contains("filesort"))) {
            indexed = false;
        }
    }
    out() << "   => " << (indexed ? "uses an index" : "DOES NOT USE AN INDEX") << Qt::endl;
    return indexed;
}

// Requests that wait for an answer from the server on the station's connection: statements,
// and the prepare and reset steps of the prepared statements that the datasets post through.
qlonglong requestsSoFar(TDM& dm) {
    QSqlQuery q(dm.dbcontrol.database());
    if (!q.exec("select sum(variable_value) from information_schema.session_status where "
                "variable_name in ('QUESTIONS', 'COM_STMT_PREPARE', 'COM_STMT_RESET')") ||
        !q.next()) {
        die(q.lastError().text());
    }
    return q.value(0).toLongLong();
}

int roundTripsOf(TDM& dm, const std::function<void()>& step) {
    const qlonglong before = requestsSoFar(dm);
    step();
    return int(requestsSoFar(dm) - before - 1);  // the second reading counts itself
}

long peakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Paths::applyArguments(app.arguments());
    int n = 2000;
    const int at = app.arguments().indexOf("--punches");
    if (at > 0 && at + 1 < app.arguments().size()) {
        n = app.arguments().at(at + 1).toInt();
    }
    if (n < 1 || kFirstFreeWorker + 2 * n - 1 > kLastTimedWorker) {
        die(QStringLiteral("--punches must be between 1 and %1")
                .arg((kLastTimedWorker - kFirstFreeWorker + 1) / 2));
    }

    TDM dm;
    if (!dm.dbcontrol.isOpen()) {
        die("cannot connect to the database of the configuration");
    }
    dm.qmovimientos2.setParam("centro", dm.centrotrabajo);
    QSqlDatabase setup = QSqlDatabase::cloneDatabase(dm.dbcontrol.database(), "bench");
    if (!setup.open()) {
        die(setup.lastError().text());
    }

    // The station's clock moves one second per punch from 07:00 of the server's today, so
    // entries and exits get distinct, increasing times whatever the hour of the run.
    const QDate today = scalar(setup, "select curdate()").toDate();
    auto* clock = new TestClock(QDateTime(today, QTime(7, 0)));
    Clock::setInstance(clock);

    std::vector<QString> nif(kLastWorker + 1);
    for (QSqlQuery q = run(setup, "select ID, NIF from trabajadores"); q.next();) {
        nif[size_t(q.value(0).toInt())] = q.value(1).toString();
    }
    const qlonglong rowsBefore = scalar(setup, "select count(*) from ticados").toLongLong();
    out() << "ticados rows: " << rowsBefore << ", ticadoscompleto rows: "
          << scalar(setup, "select count(*) from ticadoscompleto").toLongLong() << ", open rows at "
          << dm.centrotrabajo << ": "
          << scalar(setup, "select count(*) from ticados where salida_real is null and centro=" +
                               dm.dbcontrol.literal(dm.centrotrabajo))
                 .toInt()
          << ", punches per measurement: " << n << Qt::endl;

    // Warm-up, not timed: the first punch also opens the append query.
    for (int w = kLastTimedWorker + 3; w <= kLastWorker; ++w) {
        punch(dm, QString::number(w));
        punch(dm, QString::number(w));
    }

    // Entry by worker number, then the same worker's exit by NIF, so the live list keeps
    // its 300 rows (301 between the two).
    Figures entry{"punch: entry (by number)", {}};
    Figures exit{"punch: same-day exit (by NIF)", {}};
    {
        QElapsedTimer t;
        for (int i = 0; i < n; ++i) {
            const int worker = kFirstFreeWorker + i;
            clock->advanceMs(1000);
            t.start();
            const PunchOutcome in = punch(dm, QString::number(worker));
            entry.ms.push_back(double(t.nsecsElapsed()) / 1e6);
            clock->advanceMs(1000);
            t.start();
            const PunchOutcome outNow = punch(dm, nif[size_t(worker)]);
            exit.ms.push_back(double(t.nsecsElapsed()) / 1e6);
            if (in.kind != PunchOutcome::Kind::EntryAccepted ||
                outNow.kind != PunchOutcome::Kind::ExitAccepted) {
                die(QStringLiteral("worker %1: '%2' then '%3'")
                        .arg(worker)
                        .arg(in.text(), outNow.text()));
            }
        }
    }

    // Night shifts: other workers left open rows yesterday (at another work centre, so the
    // station's list stays as it was); each punch closes one and adds today's row.
    const int firstNight = kFirstFreeWorker + n;
    run(setup,
        QStringLiteral("insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro) "
                       "select curdate() - interval 1 day, ID, nombre, '22:00:00', 'OFICINA' "
                       "from trabajadores where ID between %1 and %2")
            .arg(firstNight)
            .arg(firstNight + n - 1));
    const Figures dayChange = timePunches("punch: day change (by number)", n,
                                          PunchOutcome::Kind::ExitAccepted, [&](int i) {
                                              clock->advanceMs(1000);
                                              return punch(dm, QString::number(firstNight + i));
                                          });

    Figures list{"live list re-read alone", {}};
    {
        QElapsedTimer t;
        for (int i = 0; i < n; ++i) {
            t.start();
            dm.qmovimientos2.requery();  // as the kiosk's tick reads it
            list.ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    const int listRows = dm.qmovimientos2.recordCount();

    // One round trip, for scale: what the server and the loopback cost per statement.
    Figures roundTrip{"one round trip (do 1), for scale", {}};
    {
        QElapsedTimer t;
        for (int i = 0; i < n; ++i) {
            t.start();
            dm.dbcontrol.exec("do 1");
            roundTrip.ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }

    // Round trips of one punch of each kind (workers left untouched by the timed runs).
    const int spare = kLastTimedWorker + 2;
    run(setup,
        QStringLiteral("insert into ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro) "
                       "select curdate() - interval 1 day, ID, nombre, '22:00:00', 'OFICINA' "
                       "from trabajadores where ID=%1")
            .arg(spare - 1));
    const int entryTrips = roundTripsOf(dm, [&] { punch(dm, QString::number(spare)); });
    const int exitTrips = roundTripsOf(dm, [&] { punch(dm, nif[size_t(spare)]); });
    const int dayChangeTrips = roundTripsOf(dm, [&] { punch(dm, QString::number(spare - 1)); });
    const int listTrips = roundTripsOf(dm, [&] { dm.qmovimientos2.requery(); });

    printFigures({entry, exit, dayChange, list, roundTrip});
    out() << "round trips: entry " << entryTrips << ", same-day exit " << exitTrips
          << ", day change " << dayChangeTrips << ", live list " << listTrips << Qt::endl;
    out() << "live list rows: " << listRows << ", rows written: "
          << scalar(setup, "select count(*) from ticados").toLongLong() - rowsBefore
          << ", peak memory: " << peakRssMb() << " MB" << Qt::endl;

    // The plans, with the values of real punches of this run.
    const int someone = kFirstFreeWorker;
    const qlonglong someRow =
        scalar(setup, QStringLiteral("select max(id) from ticados where idt=%1").arg(someone))
            .toLongLong();
    // An entry and its exit by NIF leave the NIF lookup in place and the data as it was.
    punch(dm, nif[size_t(someone)]);
    punch(dm, nif[size_t(someone)]);
    bool indexed = true;
    indexed &= printPlan(setup, "worker by NIF (qtrabajadores)", dm.qtrabajadores.lastStatement());
    dm.qtrabajadores.close();
    dm.qtrabajadores.setSql(QStringLiteral("select * from trabajadores where id=%1").arg(someone));
    indexed &= printPlan(setup, "worker by number (qtrabajadores)", dm.qtrabajadores.sql());
    indexed &= printPlan(setup, "worker lock (inside the punch's transaction)",
                         workerLockStatement(someone));
    indexed &= printPlan(
        setup, "worker's open rows (qaux2)",
        QStringLiteral("select * from ticados where idt=%1  and salida_real is null order by fecha")
            .arg(1));
    indexed &= printPlan(setup, "last hundred rows (qticados, first punch only)",
                         dm.qticados.lastStatement());
    indexed &= printPlan(
        setup, "open row closed (qaux2 post)",
        QStringLiteral("update `ticados` set `SALIDA_REAL`='12:00:00' where `id`=%1").arg(someRow));
    indexed &= printPlan(
        setup, "time sheet derivation: the worker-day's punch rows (trigger)",
        QStringLiteral("select TRABAJADOR, ENTRADA_REAL, SALIDA_REAL from ticados where idt = %1 "
                       "and fecha = '%2' order by ENTRADA_REAL, id")
            .arg(someone)
            .arg(today.toString(Qt::ISODate)));
    indexed &=
        printPlan(setup, "time sheet derivation: the worker-day's sheet (trigger upsert key)",
                  QStringLiteral("select id from ticadoscompleto where idt = %1 and fecha = '%2'")
                      .arg(someone)
                      .arg(today.toString(Qt::ISODate)));
    indexed &= printPlan(setup, "live list (qmovimientos2)", dm.qmovimientos2.lastStatement());
    out() << Qt::endl
          << (indexed ? "every statement uses an index" : "SOME STATEMENT DOES NOT USE AN INDEX")
          << Qt::endl;

    Clock::setInstance(nullptr);
    setup.close();
    return indexed ? 0 : 1;
}
