// Times the time-sheet rows report (informes/controlhorario.fr3) over the rows of a period, as
// "Imprimir" reads them from qticados (run through run-reports-bench.sh, which fills a private
// server with 20,000 time sheet rows):
//   read     the rows' statement into the dataset (the window has done this already when the
//            user presses "Imprimir"; shown for scale);
//   prepare  template read and laid out into pages;
//   pdf      the prepared pages written to a PDF file.
// Prints median and maximum in ms over --repeat runs, the median processor time of the process
// (on a loaded machine the wall time also holds time spent waiting for a core), the pages and
// the PDF's size, and the peak resident memory of the process (getrusage). The bar: prepare + pdf
// within 5 s, peak within 300 MB.
//
//     report_bench --config FILE [--template FILE] [--repeat N]   (HORALIA_DB_PORT: the port)

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "benchsupport.h"
#include "datamodule.h"
#include "expression.h"
#include "jornadas.h"
#include "pagepainter.h"
#include "paths.h"
#include "report.h"

using namespace horalia;
using namespace horalia::bench;

namespace {

// Processor time of the whole process, in ms.
double cpuMs() {
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

// One step's wall time and processor time.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;
};

class Stopwatch {
public:
    Stopwatch() {
        wall_.start();
        cpu_ = cpuMs();
    }
    void stopInto(Timing& t) {
        t.wall.push_back(double(wall_.nsecsElapsed()) / 1e6);
        t.cpu.push_back(cpuMs() - cpu_);
        wall_.restart();
        cpu_ = cpuMs();
    }

private:
    QElapsedTimer wall_;
    double cpu_;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void printRow(const QString& name, const Timing& t, const QString& note = {}) {
    out() << QStringLiteral("%1 %2 %3 %4 %5  %6")
                 .arg(name, -10)
                 .arg(t.wall.size(), 4)
                 .arg(median(t.wall), 10, 'f', 1)
                 .arg(*std::max_element(t.wall.begin(), t.wall.end()), 10, 'f', 1)
                 .arg(median(t.cpu), 10, 'f', 1)
                 .arg(note)
          << Qt::endl;
}

}  // namespace

int main(int argc, char* argv[]) {
    defaultToOffscreen();
    QApplication app(argc, argv);
    setUpStation(app.arguments());
    const int repeat = intOption(app.arguments(), QStringLiteral("--repeat"), 5, 1);
    const QString templateFile = option(app.arguments(), QStringLiteral("--template"),
                                        Paths::reportsDir() + QStringLiteral("controlhorario.fr3"));
    if (!QFileInfo::exists(templateFile)) {
        die(QStringLiteral("no template ") + templateFile);
    }

    const std::unique_ptr<TDM> station = connectStation();
    TDM& dm = *station;
    Dataset qticados(dm.dbcontrol, QStringLiteral("qticados"));
    qticados.setSql(jornadas::rowsSql(QStringLiteral("2024/1/1"), QStringLiteral("2024/12/31")));
    qticados.setFields(jornadas::rowsFields());
    reports::ReportDataset ticadosdb(QStringLiteral("frxDBDataset1"));
    ticadosdb.setSource(&qticados);
    const QString pdf = QDir::temp().filePath(QStringLiteral("horalia-report-bench.pdf"));

    Timing read, prepare, write;
    int pages = 0;
    for (int i = 0; i < repeat; ++i) {
        Stopwatch watch;
        qticados.close();
        qticados.open();
        watch.stopInto(read);

        reports::Report report;
        report.registerDataset(&ticadosdb);
        report.clear();
        report.loadFromFile(templateFile);
        report.setVariable(QStringLiteral("tdesde"),
                           reports::Expression::quoted(QStringLiteral("Desde: 1/1/24")));
        report.setVariable(QStringLiteral("thasta"),
                           reports::Expression::quoted(QStringLiteral("Hasta: 31/12/24")));
        report.setFileName(QStringLiteral("Control horario "));
        const reports::PreparedReport& prepared = report.prepare();
        watch.stopInto(prepare);
        pages = int(prepared.pages.size());

        reports::PagePainter::exportPdf(prepared, pdf);
        watch.stopInto(write);
    }
    out() << QStringLiteral("rows %1, pages %2, PDF %3 KB")
                 .arg(qticados.recordCount())
                 .arg(pages)
                 .arg(QFileInfo(pdf).size() / 1024)
          << Qt::endl;
    out() << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg("measure", -10)
                 .arg("runs", 4)
                 .arg("median ms", 10)
                 .arg("max ms", 10)
                 .arg("cpu ms", 10)
          << Qt::endl;
    printRow(QStringLiteral("read"), read, QStringLiteral("(done by the window before)"));
    printRow(QStringLiteral("prepare"), prepare);
    printRow(QStringLiteral("pdf"), write);
    Timing both;
    for (size_t i = 0; i < prepare.wall.size(); ++i) {
        both.wall.push_back(prepare.wall[i] + write.wall[i]);
        both.cpu.push_back(prepare.cpu[i] + write.cpu[i]);
    }
    printRow(QStringLiteral("both"), both, QStringLiteral("bar: 5000 ms"));
    out() << QStringLiteral("peak memory %1 MB (bar: 300 MB)").arg(peakMegabytes(), 0, 'f', 1)
          << Qt::endl;
    return 0;
}
