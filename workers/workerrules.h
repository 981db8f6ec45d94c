#pragma once

#include <QString>
#include <QVariant>

namespace horalia {

class Connection;
class Dataset;

// The worker window's rules that need no widget: the list statements, the proposed number,
// the full name and the checks before a worker is stored. The window only calls them.
namespace workers {

// The search pattern kept in DM->filtro for what the search field holds when it is left:
// the text between percent signs, or empty for an empty field.
QString searchFilter(const QString& typed);

// The list statement rebuilt after every close of qempleados, from filtro and vertodos. The
// pattern goes between its quotes escaped by the connection's driver: a quote or a backslash
// stays part of the text, while % and _ stay wildcards.
QString listStatement(const Connection& connection, const QString& filtro, int vertodos);

// The statements of the "Ver Todos" check box, which ignore the search text.
QString verTodosStatement(bool checked);

// The number offered to a new worker, read with the window's auxiliary query: 1 for an empty
// table, the highest number plus one otherwise. Leaves `qaux` closed.
int proposeWorkerNumber(Dataset& qaux);

// Surnames, one blank, first name; nothing is trimmed.
QString fullName(const QString& apellidos, const QString& nombrecorto);

// Throws UserError with the Spanish reason when the record of `trabajadores` being edited
// must not be stored: no number or one that the column cannot hold, no NIF, no name, or a
// full name longer than its column.
void checkBeforeSave(const Dataset& trabajadores);

// What the user reads when the database refuses a number already in use.
QString duplicateNumberMessage(const QVariant& number);

}  // namespace workers
}  // namespace horalia
