#include "benchsupport.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <algorithm>
#include <cstdlib>

#include "datamodule.h"
#include "errorreport.h"
#include "paths.h"

namespace horalia::bench {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

void die(const QString& text) {
    out() << QFileInfo(QCoreApplication::applicationFilePath()).fileName() << ": " << text
          << Qt::endl;
    std::exit(2);
}

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) {
        die(QStringLiteral("no samples"));
    }
    std::sort(samples.begin(), samples.end());
    const size_t i = std::min(samples.size() - 1, size_t(p * double(samples.size() - 1) + 0.5));
    return samples[i];
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double statusMegabytes(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        die(QStringLiteral("cannot read /proc/self/status"));
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble() /
                   1024.0;
        }
    }
    die(QStringLiteral("no %1 in /proc/self/status").arg(QString::fromLatin1(key)));
}

void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (!f.open(QIODevice::WriteOnly) || f.write("5") != 1) {
        die(QStringLiteral("cannot reset the peak resident size (/proc/self/clear_refs)"));
    }
}

double cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void defaultToOffscreen() {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

void setUpStation(const QStringList& args) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    Paths::applyArguments(args);
    ErrorReport::setSink([](const QString& text) { die(text); });
}

std::unique_ptr<TDM> connectStation() {
    auto dm = std::make_unique<TDM>();
    if (!dm->dbcontrol.isOpen()) {
        die(QStringLiteral("no connection to the database of the configuration"));
    }
    return dm;
}

QSqlQuery run(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery q(db);
    if (!q.exec(statement)) {
        die(statement + QStringLiteral(" -> ") + q.lastError().text());
    }
    return q;
}

QVariant scalar(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery q = run(db, statement);
    return q.next() ? q.value(0) : QVariant();
}

QString option(const QStringList& args, const QString& name, const QString& fallback) {
    const qsizetype at = args.indexOf(name);
    return at > 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

int intOption(const QStringList& args, const QString& name, int fallback, int minimum) {
    bool ok = false;
    const int value = option(args, name, QString::number(fallback)).toInt(&ok);
    if (!ok) {
        die(QStringLiteral("%1 wants a whole number").arg(name));
    }
    return std::max(minimum, value);
}

void printHeader(int nameWidth) {
    out() << Qt::endl
          << QStringLiteral("%1 %2 %3 %4 %5  %6")
                 .arg(QStringLiteral("measurement"), -nameWidth)
                 .arg(QStringLiteral("n"), 4)
                 .arg(QStringLiteral("median ms"), 10)
                 .arg(QStringLiteral("p99 ms"), 10)
                 .arg(QStringLiteral("max ms"), 10)
                 .arg(QStringLiteral("notes"))
          << Qt::endl;
}

void printRow(const QString& name, const std::vector<double>& ms, const QString& note,
              int nameWidth) {
    out() << QStringLiteral("%1 %2 %3 %4 %5  %6")
                 .arg(name, -nameWidth)
                 .arg(ms.size(), 4)
                 .arg(percentile(ms, 0.5), 10, 'f', 1)
                 .arg(percentile(ms, 0.99), 10, 'f', 1)
                 .arg(*std::max_element(ms.begin(), ms.end()), 10, 'f', 1)
                 .arg(note)
          << Qt::endl;
}

}  // namespace horalia::bench
