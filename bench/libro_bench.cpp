// Times the workbook export of the time-records window (run through run-libro-bench.sh, which
// fills a database with 100,000 time sheet rows):
//   core     libro::write over the extended grid's 15 columns of a dataset holding every row,
//            no window;
//   window   "A Excel" in the extended view of the window with every row shown, through
//            ExportaraExcel and the progress dialog that the window shows for such a grid.
// Prints median, 99th percentile and maximum in ms, the median processor time, and the memory the
// export takes above what the process held before it (the rows included): the peak resident size
// during the export (VmHWM, reset before each run) minus the resident size just before it (VmRSS).
//
//     libro_bench --config FILE --home DIR [--measure core|window] [--repeat N]
//                                                      (HORALIA_DB_PORT: the server's port)

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "benchsupport.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "errorreport.h"
#include "errors.h"
#include "jornadas.h"
#include "libro.h"
#include "paths.h"
#include "ticados.h"

using namespace horalia;
using namespace horalia::bench;

namespace {

// Runs `step` `repeat` times; prints its times and the most memory any run took above the
// resident size before it.
void measure(const QString& name, int repeat, const std::function<void()>& step,
             const std::function<QString()>& note) {
    std::vector<double> ms;
    std::vector<double> cpu;
    double above = 0;
    double before = 0;
    for (int i = 0; i < repeat; ++i) {
        before = statusMegabytes("VmRSS:");
        resetPeak();
        const double cpuBefore = cpuMilliseconds();
        QElapsedTimer t;
        t.start();
        step();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMilliseconds() - cpuBefore);
        above = std::max(above, statusMegabytes("VmHWM:") - before);
    }
    out() << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(name, -44)
                 .arg(ms.size(), 4)
                 .arg(percentile(ms, 0.5), 10, 'f', 1)
                 .arg(percentile(ms, 0.99), 10, 'f', 1)
                 .arg(*std::max_element(ms.begin(), ms.end()), 10, 'f', 1)
          << Qt::endl
          << QStringLiteral("    %1; processor time median %2 ms (the machine is shared)")
                 .arg(note())
                 .arg(percentile(cpu, 0.5), 0, 'f', 1)
          << Qt::endl
          << QStringLiteral("    export peak %1 MB above the %2 MB held before it")
                 .arg(above, 0, 'f', 1)
                 .arg(before, 0, 'f', 1)
          << Qt::endl;
}

void header() {
    out() << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg("measurement", -44)
                 .arg("n", 4)
                 .arg("median ms", 10)
                 .arg("p99 ms", 10)
                 .arg("max ms", 10)
          << Qt::endl;
}

QString sizeOf(const QString& file) {
    return QStringLiteral("workbook %1 MB")
        .arg(double(QFileInfo(file).size()) / 1048576.0, 0, 'f', 1);
}

// The extended grid's columns and titles, taken from the window itself.
QList<libro::Column> extendedColumns(TDM& dm) {
    Tticados w(dm.dbcontrol);
    QList<libro::Column> columns;
    for (const DatasetModel::Column& c : w.dsqticadosampliado->columns()) {
        columns.append({c.field, c.title});
    }
    return columns;
}

void core(TDM& dm, int repeat) {
    const QList<libro::Column> columns = extendedColumns(dm);
    Dataset rows(dm.dbcontrol, QStringLiteral("qticados"));
    rows.setSql(
        QStringLiteral("select * from ticadoscompleto order by idt,fecha desc,entradam,entradat"));
    rows.setFields(jornadas::rowsFields());
    rows.open();
    const QString file = Paths::workbookFile();
    header();
    measure(
        QStringLiteral("export, core function, %1 columns").arg(columns.size()), repeat,
        [&] { libro::write(file, QStringLiteral("TICADOS"), columns, rows); },
        [&] { return QStringLiteral("%1 rows; %2").arg(rows.recordCount()).arg(sizeOf(file)); });
}

void window(TDM& dm, int repeat) {
    Tticados w(dm.dbcontrol);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) {
        die("the window was never exposed");
    }
    w.CheckBox1->setChecked(true);
    {
        const QSignalBlocker a(w.fdesde);
        const QSignalBlocker b(w.fhasta);
        w.fdesde->setDate(QDate(2000, 1, 1));
        w.fhasta->setDate(QDate(2099, 12, 31));
    }
    w.fdesdeExit();
    w.Panel5Click();
    QCoreApplication::processEvents();
    if (!w.gridampliado->isVisible() || w.qticados.recordCount() < Tticados::kExportProgressFrom) {
        die("the extended grid does not show the rows");
    }
    int messages = 0;
    ErrorReport::setSink([&](const QString& text) {
        if (!text.startsWith(QLatin1String("Los datos han sido exportados"))) {
            die(text);
        }
        ++messages;
    });
    header();
    measure(
        QStringLiteral("\"A Excel\" in the extended view"), repeat, [&] { w.btJexcel->click(); },
        [&] {
            return QStringLiteral("%1 rows, progress dialog shown; %2")
                .arg(w.qticados.recordCount())
                .arg(sizeOf(Paths::workbookFile()));
        });
    if (messages != repeat) {
        die("not every export was reported done");
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    defaultToOffscreen();
    QApplication app(argc, argv);
    setUpStation(app.arguments());
    const QString what =
        option(app.arguments(), QStringLiteral("--measure"), QStringLiteral("core"));
    const int repeat = intOption(app.arguments(), QStringLiteral("--repeat"), 10, 1);
    const std::unique_ptr<TDM> station = connectStation();
    TDM& dm = *station;
    try {
        if (what == QLatin1String("core")) {
            core(dm, repeat);
        } else if (what == QLatin1String("window")) {
            window(dm, repeat);
        } else {
            die("unknown measurement " + what);
        }
    } catch (const UserError& e) {
        die(e.text());
    }
    return 0;
}
