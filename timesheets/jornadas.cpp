#include "jornadas.h"

#include "connection.h"

namespace horalia::jornadas {

namespace {
const QString kTimeFormat = QStringLiteral("hh:mm");
const QString kTimeMask = QStringLiteral("!90:00:00;1;_");

Field shownTime(const QString& name) {
    Field f = Field::time(name);
    f.displayFormat = kTimeFormat;
    f.editMask = kTimeMask;
    return f;
}

QString periodCondition(const QString& tdesde, const QString& thasta) {
    return QStringLiteral("fecha>='") + tdesde + QStringLiteral("'") +
           QStringLiteral(" and fecha<=") + QStringLiteral("'") + thasta + QStringLiteral("'");
}
}  // namespace

QString dateText(const QDate& date) {
    return QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
}

QString workerListFilter(const Connection& connection, const QString& filtrotrabajadores,
                         int grupo) {
    if (filtrotrabajadores.isEmpty()) {
        return grupo != 0 ? QStringLiteral(" where activo=") + QString::number(grupo) : QString();
    }
    // A backslash is LIKE's own escape character: doubled first, it matches itself. The
    // driver then escapes the text for its quotes; its own quotes are left to the pieces.
    QString pattern = filtrotrabajadores;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    const QString quoted = connection.literal(pattern);
    const QString escaped = quoted.mid(1, quoted.size() - 2);
    QString filtro = QStringLiteral(" where nombre like(") + QStringLiteral("'") + escaped +
                     QStringLiteral("'") + QStringLiteral(")");
    if (grupo != 0) {
        filtro += QStringLiteral(" and activo=") + QString::number(grupo);
    }
    return filtro;
}

QString workerListSql(const Connection& connection, const QString& filtrotrabajadores, int grupo) {
    return QStringLiteral("select id, nombre from trabajadores ") +
           workerListFilter(connection, filtrotrabajadores, grupo) +
           QStringLiteral(" order by nombre");
}

QString rowsSql(const QString& tdesde, const QString& thasta) {
    return QStringLiteral("select * from ticadoscompleto where ") +
           periodCondition(tdesde, thasta) +
           QStringLiteral(" order by idt,fecha desc,entradam,entradat");
}

QString totalHoursSql(const QString& tdesde, const QString& thasta) {
    return QStringLiteral("select idt,sum(num_horas) as totalhoras from ticadoscompleto where ") +
           periodCondition(tdesde, thasta) + QStringLiteral(" group by idt order by idt");
}

QString totalsSql(const QString& tdesde, const QString& thasta, TotalsOrder order) {
    return QStringLiteral(
               "select idt,trabajador,sum(num_horas) as num_horas from ticadoscompleto "
               "where ") +
           periodCondition(tdesde, thasta) +
           (order == TotalsOrder::ByName ? QStringLiteral(" group by idt order by trabajador")
                                         : QStringLiteral(" group by idt order by idt"));
}

QString initialRowsSql() {
    return QStringLiteral("select * from ticadoscompleto  order by fecha desc,entradam,entradat");
}

QString initialTotalHoursSql() {
    return QStringLiteral(
        "select idt,sum(num_horas) as totalhoras from ticadoscompleto group by idt order by idt");
}

QString initialTotalsSql() {
    return QStringLiteral(
        "select idt,trabajador,sum(num_horas) as num_horas from ticadoscompleto "
        "group by idt order by idt");
}

QList<Field> rowsFields() {
    Field fecha = Field::date("fecha", true);
    fecha.displayFormat = QStringLiteral("dd/mm/yy");
    fecha.editMask = QStringLiteral("!99/99/00;1;_");
    return {
        Field::integer("id", 64, true),
        Field::integer("ide", 16, true),
        fecha,
        Field::integer("idt", 32, true),
        Field::text("TRABAJADOR", 100, true),
        shownTime("entradam"),
        shownTime("salidam"),
        shownTime("salidam_m"),
        Field::real("horasm"),
        Field::real("horasm_m", true),
        shownTime("entradat"),
        shownTime("salidat"),
        shownTime("salidat_m"),
        Field::real("horast"),
        Field::real("horast_m", true),
        Field::real("num_horas"),
        Field::real("num_horas_m", true),
        Field::integer("imprimir"),
        Field::text("observaciones", 100),
        Field::integer("festivo", 32, true),
    };
}

QList<Field> totalHoursFields() {
    return {Field::real("totalhoras").asReadOnly(), Field::integer("idt", 32, true)};
}

QList<Field> totalsFields() {
    return {Field::integer("idt", 32, true), Field::real("num_horas").asReadOnly(),
            Field::text("trabajador", 100, true)};
}

QString adjustableField(int entsal) {
    switch (entsal) {
        case 0:
            return QStringLiteral("entradam");
        case 1:
            return QStringLiteral("salidam");
        case 2:
            return QStringLiteral("entradat");
        case 3:
            return QStringLiteral("salidat");
        default:
            return {};
    }
}

}  // namespace horalia::jornadas
