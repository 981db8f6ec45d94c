#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "field.h"

namespace horalia {

class Connection;

// The statements of the time-records window, built by joining its literal pieces with values,
// and the column lists of its queries. Kept apart from the window so that every text can be
// checked character for character without one.
namespace jornadas {

// How the totals of the period are ordered: by name after a change of either date, by worker
// number after leaving the start date.
enum class TotalsOrder { ByName, ById };

// A date as the statements compare it: 2024/3/5 (no leading zeros, no quotes).
QString dateText(const QDate& date);

// The worker list: `filtrotrabajadores` is "%" + search text + "%" (empty until the search
// box first changes), `grupo` 0 for "Todos" or the group number. The search text is escaped
// inside its quotes through the connection's driver (a quote or a backslash can neither end
// the text nor change the statement); % and _ keep their meaning as wildcards.
QString workerListFilter(const Connection& connection, const QString& filtrotrabajadores,
                         int grupo);
QString workerListSql(const Connection& connection, const QString& filtrotrabajadores, int grupo);

// The statements of a period; both dates inclusive.
QString rowsSql(const QString& tdesde, const QString& thasta);
QString totalHoursSql(const QString& tdesde, const QString& thasta);
QString totalsSql(const QString& tdesde, const QString& thasta, TotalsOrder order);

// The texts the rows and the per-worker totals have until a period is first applied.
QString initialRowsSql();
QString initialTotalHoursSql();
// The totals grid has no text of its own until then; this one keeps it openable.
QString initialTotalsSql();

QList<Field> rowsFields();
QList<Field> totalHoursFields();
QList<Field> totalsFields();

// The columns of a time sheet row that the bulk adjustment can shift, by the index of its
// list: "Entrada Mañana", "Salida Mañana", "Entrada Tarde", "Salida Tarde".
QString adjustableField(int entsal);

}  // namespace jornadas
}  // namespace horalia
