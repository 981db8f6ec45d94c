// Times the time-records window on a database filled by generate-punch-data.sql (about
// 1,000,000 time sheet rows of 5,000 workers; run through run-timesheets-bench.sh):
//   first      the first showing until the window is usable, with the peak memory of the
//              process (run it in a process of its own, so the peak is the showing's);
//   refresh    a period refresh for one month of all workers, with "Ver todos los
//              trabajadores" ticked (all rows of the month) and clear (the selected worker's);
//   keystroke  one keystroke in the search box, both ways;
//   bulk       a bulk run over about 10,000 rows (forwards, then back again);
//   unnarrowed for comparison only: the first showing's statement read whole, untied, as a
//              window that held every row would read it.
// Prints median, 99th percentile and maximum in ms, and the peak resident memory (getrusage).
//
//     timesheets_bench --config FILE [--measure first|refresh|keystroke|bulk|unnarrowed|all]
//                      [--repeat N]                    (HORALIA_DB_PORT: the server's port)

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "benchsupport.h"
#include "datamodule.h"
#include "errorreport.h"
#include "jornadas.h"
#include "paths.h"
#include "ticados.h"

using namespace horalia;
using namespace horalia::bench;

namespace {

// Lets the window draw what the last step changed, as the event loop would before the user
// sees it.
void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

double timed(const std::function<void()>& step) {
    QElapsedTimer t;
    t.start();
    step();
    settle();
    return double(t.nsecsElapsed()) / 1e6;
}

// A month well inside the generated ten years.
const QDate kMonthStart(2025, 6, 1);
const QDate kMonthEnd(2025, 6, 30);
const QDate kOtherStart(2025, 9, 1);
const QDate kOtherEnd(2025, 9, 30);

void setPeriod(Tticados& w, const QDate& from, const QDate& to) {
    const QSignalBlocker a(w.fdesde);
    const QSignalBlocker b(w.fhasta);
    w.fdesde->setDate(from);
    w.fhasta->setDate(to);
}

void first(TDM& dm) {
    const double before = peakMegabytes();
    QElapsedTimer built;
    built.start();
    // Created hidden at program start, as the station does; the showing is what the user waits for.
    Tticados w(dm.dbcontrol);
    const double construction = double(built.nsecsElapsed()) / 1e6;
    const double ms = timed([&] {
        w.show();
        if (!QTest::qWaitForWindowExposed(&w)) {
            die("the window was never exposed");
        }
    });
    const double peak = peakMegabytes();
    printHeader();
    printRow("first showing until usable", {ms},
             QStringLiteral("rows held %1, workers %2; peak RSS %3 MB (%4 MB before the window; "
                            "created in %5 ms)")
                 .arg(w.qticados.recordCount())
                 .arg(w.qempleados.recordCount())
                 .arg(peak, 0, 'f', 1)
                 .arg(before, 0, 'f', 1)
                 .arg(construction, 0, 'f', 1));
}

void refreshAndKeystroke(TDM& dm, int repeat, bool refresh, bool keystroke) {
    Tticados w(dm.dbcontrol);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) {
        die("the window was never exposed");
    }
    printHeader();
    for (const bool all : {true, false}) {
        w.CheckBox1->setChecked(all);
        settle();
        const QString view = all ? QStringLiteral("all workers") : QStringLiteral("one worker");
        if (refresh) {
            std::vector<double> ms;
            int rows = 0;
            for (int i = 0; i < repeat; ++i) {
                // Two months in turn, so that every refresh reads another period. The end date
                // is changed the way a user changes it; setting the start before is no change.
                const bool odd = i % 2 != 0;
                const QDate from = odd ? kOtherStart : kMonthStart;
                setPeriod(w, from, from);
                ms.push_back(timed([&] { w.fhasta->setDate(odd ? kOtherEnd : kMonthEnd); }));
                rows = std::max(rows, w.qticados.recordCount());
            }
            printRow(QStringLiteral("period refresh, one month, %1").arg(view), ms,
                     QStringLiteral("rows shown up to %1").arg(rows));
        }
        if (keystroke) {
            setPeriod(w, kMonthStart, kMonthEnd);
            w.fdesdeExit();
            w.buscarempleado->setText(QString());
            settle();
            std::vector<double> ms;
            int workers = 0;
            for (int i = 0; i < repeat; ++i) {
                // A letter, then its deletion: every keystroke changes the list.
                if (i % 2 == 0) {
                    ms.push_back(timed([&] { QTest::keyClick(w.buscarempleado, Qt::Key_G); }));
                    workers = w.qempleados.recordCount();
                } else {
                    ms.push_back(
                        timed([&] { QTest::keyClick(w.buscarempleado, Qt::Key_Backspace); }));
                }
            }
            printRow(QStringLiteral("keystroke in the search box, %1").arg(view), ms,
                     QStringLiteral("\"G\" lists %1 workers; rows shown %2")
                         .arg(workers)
                         .arg(w.qticados.recordCount()));
        }
    }
    out() << QStringLiteral("peak RSS %1 MB").arg(peakMegabytes(), 0, 'f', 1) << Qt::endl;
}

void bulkCore(TDM& dm, int repeat, const QDate& end);

void bulk(TDM& dm, int repeat) {
    // The shortest period from kMonthStart holding at least 10,000 rows.
    QSqlQuery days(dm.dbcontrol.database());
    days.exec(QStringLiteral("select fecha, count(*) from ticadoscompleto where fecha>='%1' "
                             "group by fecha order by fecha limit 400")
                  .arg(kMonthStart.toString(Qt::ISODate)));
    QDate end;
    int count = 0;
    while (days.next() && count < 10000) {
        count += days.value(1).toInt();
        end = days.value(0).toDate();
    }
    if (count < 10000) {
        die("fewer than 10,000 time sheet rows after " + kMonthStart.toString(Qt::ISODate));
    }
    Tticados w(dm.dbcontrol);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) {
        die("the window was never exposed");
    }
    w.CheckBox1->setChecked(true);
    setPeriod(w, kMonthStart, end);
    w.fdesdeExit();
    w.Panel5Click();
    settle();
    printHeader();
    std::vector<double> ms;
    for (int i = 0; i < repeat; ++i) {
        // Forwards and back again, so that the data ends as it began.
        w.lad->setCurrentIndex(i % 2 == 0 ? ajuste::Aumentar : ajuste::Disminuir);
        w.lentsal->setCurrentIndex(0);
        w.Edit1->setText(QStringLiteral("1"));
        ms.push_back(timed([&] { w.Button3->click(); }));
        if (w.lastRun.posted == 0) {
            die("the bulk run stored nothing");
        }
    }
    printRow(QStringLiteral("bulk run in the window, Entrada Mañana 1 min"), ms,
             QStringLiteral("%1 rows walked, %2 posted; peak RSS %3 MB")
                 .arg(w.lastRun.rows)
                 .arg(w.lastRun.posted)
                 .arg(peakMegabytes(), 0, 'f', 1));
    bulkCore(dm, repeat, end);
}

// The same run as a core function over a dataset with no window: what the grids cost.
void bulkCore(TDM& dm, int repeat, const QDate& end) {
    Dataset rows(dm.dbcontrol, QStringLiteral("qticados"));
    rows.setSql(jornadas::rowsSql(jornadas::dateText(kMonthStart), jornadas::dateText(end)));
    rows.setFields(jornadas::rowsFields());
    rows.setUpdateTable(QStringLiteral("ticadoscompleto"), {QStringLiteral("id")});
    rows.open();
    int flag = 0;
    std::vector<double> ms;
    ajuste::Outcome outcome;
    for (int i = 0; i < repeat; ++i) {
        const ajuste::Request request{i % 2 == 0 ? ajuste::Aumentar : ajuste::Disminuir, 0,
                                      QStringLiteral("1")};
        ms.push_back(timed([&] { outcome = ajuste::run(rows, nullptr, request, flag); }));
    }
    printRow(QStringLiteral("bulk run as a core function, no window"), ms,
             QStringLiteral("%1 rows posted").arg(outcome.posted));
}

void unnarrowed(TDM& dm) {
    const double before = peakMegabytes();
    Dataset rows(dm.dbcontrol, QStringLiteral("qticados"));
    rows.setSql(jornadas::initialRowsSql());
    rows.setFields(jornadas::rowsFields());
    printHeader();
    const double ms = timed([&] { rows.open(); });
    printRow("first showing's statement read whole (untied)", {ms},
             QStringLiteral("rows %1; peak RSS %2 MB (%3 MB before)")
                 .arg(rows.recordCount())
                 .arg(peakMegabytes(), 0, 'f', 1)
                 .arg(before, 0, 'f', 1));
}

}  // namespace

int main(int argc, char* argv[]) {
    defaultToOffscreen();
    QApplication app(argc, argv);
    setUpStation(app.arguments());
    const QString measure =
        option(app.arguments(), QStringLiteral("--measure"), QStringLiteral("all"));
    const int repeat = intOption(app.arguments(), QStringLiteral("--repeat"), 20, 2);
    const std::unique_ptr<TDM> station = connectStation();
    TDM& dm = *station;
    out() << "time sheet rows: "
          << scalar(dm.dbcontrol.database(), "select count(*) from ticadoscompleto").toLongLong()
          << ", workers: "
          << scalar(dm.dbcontrol.database(), "select count(*) from trabajadores").toLongLong()
          << Qt::endl;

    if (measure == QLatin1String("first")) {
        first(dm);
    } else if (measure == QLatin1String("refresh")) {
        refreshAndKeystroke(dm, repeat, true, false);
    } else if (measure == QLatin1String("keystroke")) {
        refreshAndKeystroke(dm, repeat, false, true);
    } else if (measure == QLatin1String("bulk")) {
        bulk(dm, std::max(2, repeat / 10));
    } else if (measure == QLatin1String("unnarrowed")) {
        unnarrowed(dm);
    } else if (measure == QLatin1String("all")) {
        first(dm);
        refreshAndKeystroke(dm, repeat, true, true);
        bulk(dm, std::max(2, repeat / 10));
    } else {
        die("unknown measurement " + measure);
    }
    return 0;
}
