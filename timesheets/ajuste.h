#pragma once

#include <QString>
#include <QTime>
#include <functional>

namespace horalia {

class Dataset;

// The bulk time adjustment: one time column of every time sheet row that the rows query holds
// shifted by a number of minutes, each row posted (and so committed) on its own.
namespace ajuste {

enum Direction { Aumentar = 0, Disminuir = 1 };

struct Request {
    int ad = Disminuir;  // index in "Aumentar", "Disminuir"
    int entsal = 3;  // index in "Entrada Mañana", "Salida Mañana", "Entrada Tarde", "Salida Tarde"
    QString amount;  // minutes as typed: a whole decimal number, optionally signed
};

struct Outcome {
    int rows = 0;     // rows walked
    int posted = 0;   // rows put into edit and posted
    int empty = 0;    // rows skipped because the chosen time was empty
    int clamped = 0;  // results held at 00:00:00 or 23:59:59
};

// Reports (rows done, rows in all) after each row.
using Progress = std::function<void(int done, int total)>;

// The amount as a whole number of minutes; anything else ("1,5", "abc", "") throws UserError
// with the conversion error in Spanish.
int parseMinutes(const QString& text);

// `time` moved by `minutes`, held within the day: a result before 00:00:00 or after 23:59:59
// is stored as that bound (a shift never moves a time into another day). `clamped` tells.
QTime shift(const QTime& time, qint64 minutes, bool* clamped = nullptr);

// One run over the rows of `rows` (the time sheet rows query, in browse state):
//   1. `desdeactualizar` = 1, so that the rows' post handler leaves the re-reads to the run;
//   2. the request is read (a bad amount throws before any row is touched);
//   3. each row whose chosen time is not empty is put into edit, given the shifted time and
//      posted: one update, committed at once;
//   4. the rows are read again once, keeping the current row; `totals` (the per-worker totals,
//      when given) too;
//   5. `desdeactualizar` = 0.
// A failing step stops the run and its error propagates: the failing row stays in edit, the
// rows are not read again, the totals are (when a row was stored) and the flag is cleared.
// With no valid entry in either list the run only re-reads.
Outcome run(Dataset& rows, Dataset* totals, const Request& request, int& desdeactualizar,
            const Progress& progress = {});

}  // namespace ajuste
}  // namespace horalia
