#include "field.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <limits>

namespace horalia {

QString kindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::Integer: return QStringLiteral("entero");
        case FieldKind::Float: return QStringLiteral("numérico");
        case FieldKind::Date: return QStringLiteral("fecha");
        case FieldKind::Time: return QStringLiteral("hora");
        case FieldKind::DateTime: return QStringLiteral("fecha y hora");
        case FieldKind::Text: return QStringLiteral("texto");
    }
    return {};
}

namespace {
// The grids' format notation writes minutes as "nn" or, after an hour, "mm"; months as "m".
QString qtDateFormat(QString f) {
    f.replace(QLatin1String("mm"), QLatin1String("MM"));
    if (!f.contains(QLatin1String("MM"))) {
        f.replace(QLatin1Char('m'), QLatin1Char('M'));
    }
    return f;
}

QString qtTimeFormat(QString f) {
    f.replace(QLatin1String("nn"), QLatin1String("mm"));
    return f;
}

QString formatNumber(double v, const QString& format) {
    const QLocale locale;
    if (format.isEmpty()) {
        // General number format: at most 15 significant digits, so a sum such as 8.83 + 5.83
        // shows as 14,66 and not as the 14,659999999999998 that the double holds.
        return locale.toString(v, 'g', 15);
    }
    if (format.startsWith(QLatin1Char('%'))) {  // "%2.2f"
        const int dot = format.indexOf(QLatin1Char('.'));
        const int decimals = dot < 0 ? 6 : format.mid(dot + 1).remove(QLatin1Char('f')).toInt();
        return locale.toString(v, 'f', decimals);
    }
    const int dot = format.indexOf(QLatin1Char('.'));
    const int decimals = dot < 0 ? 0 : int(format.size() - dot - 1);
    QString text = locale.toString(v, 'f', decimals);
    if (!format.contains(QLatin1Char(','))) {
        text.remove(locale.groupSeparator());
    }
    return text;
}
}  // namespace

QString displayText(const Field& field, const QVariant& value) {
    if (value.isNull() || !value.isValid()) {
        return {};
    }
    switch (field.kind) {
        case FieldKind::Date:
            return field.displayFormat.isEmpty()
                       ? value.toDate().toString(QStringLiteral("dd/MM/yyyy"))
                       : value.toDate().toString(qtDateFormat(field.displayFormat));
        case FieldKind::Time:
            return value.toTime().toString(field.displayFormat.isEmpty()
                                               ? QStringLiteral("hh:mm:ss")
                                               : qtTimeFormat(field.displayFormat));
        case FieldKind::DateTime:
            return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
        case FieldKind::Float:
            return formatNumber(value.toDouble(), field.displayFormat);
        case FieldKind::Integer:
            return QString::number(value.toLongLong());
        case FieldKind::Text:
            return value.toString();
    }
    return value.toString();
}

QVariant normalise(FieldKind kind, const QVariant& value) {
    if (value.isNull() || !value.isValid()) {
        return {};
    }
    switch (kind) {
        case FieldKind::Integer: {
            const qlonglong v = value.toLongLong();
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) {
                return int(v);
            }
            return v;
        }
        case FieldKind::Float:
            return value.toDouble();
        case FieldKind::Date:
            return value.toDate();
        case FieldKind::Time: {
            if (value.metaType().id() == QMetaType::QTime) {
                return value;
            }
            if (value.metaType().id() == QMetaType::QDateTime) {
                return value.toDateTime().time();
            }
            const QString s = value.toString();
            // The server's own "HH:MM:SS", read directly: a period of all workers holds tens
            // of thousands of times, and the general parser is the slow part of reading them.
            if (s.size() == 8 && s.at(2) == QLatin1Char(':') && s.at(5) == QLatin1Char(':')) {
                const auto two = [&s](int at) {
                    const int hi = s.at(at).unicode() - '0';
                    const int lo = s.at(at + 1).unicode() - '0';
                    return hi >= 0 && hi <= 9 && lo >= 0 && lo <= 9 ? hi * 10 + lo : -1;
                };
                const QTime fast(two(0), two(3), two(6));
                if (fast.isValid()) {
                    return fast;
                }
            }
            QTime t = QTime::fromString(s, Qt::ISODateWithMs);
            if (!t.isValid()) {
                t = QTime::fromString(s, QStringLiteral("h:mm:ss"));
            }
            // A TIME beyond a day ("25:00:00") has no time of day: it shows as empty.
            return t.isValid() ? QVariant(t) : QVariant();
        }
        case FieldKind::DateTime:
            return value.toDateTime();
        case FieldKind::Text:
            return value.toString();
    }
    return value;
}

}  // namespace horalia
