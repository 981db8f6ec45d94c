#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVariant>
#include <memory>
#include <vector>

namespace horalia {
class TDM;
}

// What every benchmark needs around its measurements: printing, stopping with a reason,
// percentiles, memory and processor time, and its few command-line options.
namespace horalia::bench {

QTextStream& out();

// Prints "<program>: text" and ends the run with status 2: a benchmark that cannot measure
// what it says must not print figures.
[[noreturn]] void die(const QString& text);

// The value of a percentile (0 to 1) of `samples`, nearest rank.
double percentile(std::vector<double> samples, double p);

// Peak resident size of the process so far, in megabytes.
double peakMegabytes();
// A line of /proc/self/status in megabytes ("VmRSS:", "VmHWM:").
double statusMegabytes(const char* key);
// Makes VmHWM start again from the present resident size, so a step's own peak can be read.
void resetPeak();
// Processor time of the process so far (user and system), in milliseconds.
double cpuMilliseconds();

// A statement on a connection of the benchmark's own; a failure ends the run.
QSqlQuery run(const QSqlDatabase& db, const QString& statement);
// The first column of the first row, or an invalid variant.
QVariant scalar(const QSqlDatabase& db, const QString& statement);

// Windows drawn without a display unless the caller chose a platform: before QApplication.
void defaultToOffscreen();
// The station as a benchmark runs it: Spanish locale, --config and --home, and every error
// the program would report ends the run, since a run that met one measured nothing.
void setUpStation(const QStringList& args);
// The data module on the configured database, or the run ends.
std::unique_ptr<TDM> connectStation();

// "--name value" from the command line, or `fallback`.
QString option(const QStringList& args, const QString& name, const QString& fallback);
// The same as a whole number, at least `minimum`.
int intOption(const QStringList& args, const QString& name, int fallback, int minimum);

// The table every benchmark prints: a title row, then one row a measurement.
void printHeader(int nameWidth = 44);
void printRow(const QString& name, const std::vector<double>& ms, const QString& note = {},
              int nameWidth = 44);

}  // namespace horalia::bench
