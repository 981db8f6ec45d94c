#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace horalia {

class Dataset;

// The workbook export of the time-records window: the rows of a grid's dataset written as an
// Office Open XML workbook, one typed cell per grid column, without any window.
namespace libro {

// A grid column as the user sees it: the dataset field it shows and its title at that moment.
struct Column {
    QString field;
    QString title;
};

// What a caller may show while the rows are written. All three are optional.
struct Progress {
    std::function<void(int maximum)> init;  // before the first row: maximum = row count, at 0
    std::function<void()> advance;          // after each row
    std::function<void()> hide;             // after the last row, and after a failure too
};

// Rows above this count are not accepted: a worksheet holds 1,048,576 rows, one of them the
// header. Failing before anything is written beats a workbook cut short.
constexpr int kMaxRows = 1048575;

// Writes `columns` of every row of `dataset`, in its order from the first, to the workbook
// `file` with one worksheet `sheet`: the titles in bold on the first row, below them one row per
// dataset row, each cell typed by its field's kind:
//   integers up to 32 bits, floats        a number (empty: 0)
//   dates, times, dates with times        a date-time serial (days since 30/12/1899, the time
//                                         as the fraction of a day) shown as dd/mm/yyyy,
//                                         hh:mm:ss or both (empty: serial 0)
//   64-bit integers, text                 text, the value as the grid shows it (empty: no cell)
// Every column is as wide as its widest content, header included.
//
// A pending change of the dataset is stored first, as moving to its first row would store it.
// The rows are then read where they lie: the dataset never leaves its current row and tells
// its bound views nothing, so nothing is repainted while the rows are written.
//
// The workbook is written to a temporary file in the same folder and renamed over `file` only
// when complete. A failure throws FileError (UserError for an unknown field) with a Spanish
// text naming `file`; the temporary file is removed and an existing `file` stays as it was.
void write(const QString& file, const QString& sheet, const QList<Column>& columns,
           Dataset& dataset, const Progress* progress = nullptr);

}  // namespace libro
}  // namespace horalia
