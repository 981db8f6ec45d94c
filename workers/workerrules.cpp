#include "workerrules.h"

#include "connection.h"
#include "dataset.h"
#include "errors.h"

namespace horalia::workers {

namespace {
// The worker number is a SMALLINT.
constexpr int kLowestNumber = -32768;
constexpr int kHighestNumber = 32767;

// The pattern as it goes between the statement's own quotes. `like` reads a backslash as its
// escape character, so a typed backslash is doubled first to keep meaning a backslash; then
// the driver escapes the text for the literal.
QString inQuotes(const Connection& connection, const QString& pattern) {
    const QString literal =
        connection.literal(QString(pattern).replace(QLatin1Char('\\'), QLatin1String("\\\\")));
    return literal.mid(1, literal.size() - 2);
}
}  // namespace

QString searchFilter(const QString& typed) {
    return typed.isEmpty() ? QString() : QLatin1Char('%') + typed + QLatin1Char('%');
}

QString listStatement(const Connection& connection, const QString& filtro, int vertodos) {
    QString filtrolocal;
    if (!filtro.isEmpty()) {
        const QString f = inQuotes(connection, filtro);
        if (vertodos == 1) {
            filtrolocal = QStringLiteral(" where nombre like('") + f + QStringLiteral("'") +
                          QStringLiteral(") or id like(") + QStringLiteral("'") + f +
                          QStringLiteral("'") + QStringLiteral(")");
        } else {
            filtrolocal = QStringLiteral(" where (nombre like('") + f + QStringLiteral("'") +
                          QStringLiteral(") or id like(") + QStringLiteral("'") + f +
                          QStringLiteral("'") + QStringLiteral(")") +
                          QStringLiteral(") and activo=1 ");
        }
    } else if (vertodos == 0) {
        filtrolocal = QStringLiteral(" where activo=1 ");
    }
    return QStringLiteral("select id,nombre,ide from trabajadores ") + filtrolocal +
           QStringLiteral(" order by nombre");
}

QString verTodosStatement(bool checked) {
    return checked
               ? QStringLiteral("select * from trabajadores order by nombre asc")
               : QStringLiteral("select * from trabajadores where activo=1 order by nombre asc");
}

int proposeWorkerNumber(Dataset& qaux) {
    qaux.close();
    qaux.setSql(QStringLiteral("select * from trabajadores"));
    qaux.open();
    if (qaux.isEmpty()) {
        qaux.close();
        return 1;
    }
    qaux.close();
    qaux.setSql(QStringLiteral("select max(id) from trabajadores"));
    qaux.open();
    const int highest = qaux.value(0, 0).toInt();
    qaux.close();
    return highest + 1;
}

QString fullName(const QString& apellidos, const QString& nombrecorto) {
    return apellidos + QLatin1Char(' ') + nombrecorto;
}

void checkBeforeSave(const Dataset& trabajadores) {
    const QVariant number = trabajadores.value(QStringLiteral("ID"));
    if (number.isNull()) {
        throw UserError(QStringLiteral("Falta el número del trabajador: escríbalo en «Id»."));
    }
    // A proposed number can pass the column's limit when the highest number is 32767.
    if (number.toLongLong() < kLowestNumber || number.toLongLong() > kHighestNumber) {
        throw UserError(QStringLiteral("El número de trabajador %1 no es válido: escriba en «Id» "
                                       "un número entero entre %2 y %3.")
                            .arg(number.toLongLong())
                            .arg(kLowestNumber)
                            .arg(kHighestNumber));
    }
    if (trabajadores.value(QStringLiteral("NIF")).toString().trimmed().isEmpty()) {
        throw UserError(QStringLiteral("Falta el NIF del trabajador: escríbalo en «Nif»."));
    }
    const QString nombre = trabajadores.value(QStringLiteral("nombre")).toString();
    if (nombre.trimmed().isEmpty()) {
        throw UserError(
            QStringLiteral("Falta el nombre del trabajador: escríbalo en «Nombre» y «Apellidos»."));
    }
    const int room = trabajadores.field(QStringLiteral("nombre")).size;
    if (nombre.size() > room) {
        throw UserError(QStringLiteral("El nombre completo tiene %1 caracteres y caben %2: acorte "
                                       "«Apellidos» o «Nombre».")
                            .arg(nombre.size())
                            .arg(room));
    }
}

QString duplicateNumberMessage(const QVariant& number) {
    return QStringLiteral(
               "Ya existe un trabajador con el número %1: escriba otro número en «Id» "
               "o pulse «Cancelar».")
        .arg(number.toString());
}

}  // namespace horalia::workers
