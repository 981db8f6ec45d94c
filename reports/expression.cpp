#include "expression.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include "clock.h"

namespace horalia::reports {

namespace {

constexpr int kMaxDepth = 8;  // a variable naming itself must not loop
constexpr int kMaxDigits = 99;

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

QLocale plainLocale() {
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}

// Splits at commas that are outside quotes, brackets and parentheses.
QStringList splitArguments(const QString& text) {
    QStringList parts;
    int depth = 0;
    bool quote = false;
    QString current;
    for (const QChar c : text) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = !quote;
        } else if (!quote &&
                   (c == QLatin1Char('(') || c == QLatin1Char('<') || c == QLatin1Char('['))) {
            ++depth;
        } else if (!quote &&
                   (c == QLatin1Char(')') || c == QLatin1Char('>') || c == QLatin1Char(']'))) {
            --depth;
        } else if (!quote && depth == 0 && c == QLatin1Char(',')) {
            parts << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    parts << current.trimmed();
    return parts;
}

// The pack's number formats follow its own Format ("%2.2f", "%d", "%n", "%g") or
// FormatFloat ("#,##0.00").
QString formatNumber(double v, const QString& formatStr) {
    static const QRegularExpression printf(
        QStringLiteral("%(-?)(\\d*)(?:\\.(\\d+))?([dfgnemDFGNEM])"));
    const QLocale plain = plainLocale();
    const QRegularExpressionMatch m = printf.match(formatStr);
    if (m.hasMatch()) {
        const QChar type = m.captured(4).at(0).toLower();
        // A template's width or precision of millions would build a text that long for every
        // value printed.
        const int precision =
            m.captured(3).isEmpty() ? -1 : qMin(m.captured(3).toInt(), kMaxDigits);
        QString body;
        if (type == QLatin1Char('d')) {
            body = plain.toString(qRound64(v));
        } else if (type == QLatin1Char('n') || type == QLatin1Char('m')) {
            body = QLocale().toString(v, 'f', precision < 0 ? 2 : precision);
        } else if (type == QLatin1Char('e')) {
            body = plain.toString(v, 'e', precision < 0 ? 15 : precision);
        } else if (type == QLatin1Char('g')) {
            body = plain.toString(v, 'g', precision < 0 ? 15 : precision);
        } else {
            body = plain.toString(v, 'f', precision < 0 ? 2 : precision);
        }
        const int width = qMin(m.captured(2).toInt(), kMaxDigits);
        body = m.captured(1).isEmpty() ? body.rightJustified(width, QLatin1Char(' '))
                                       : body.leftJustified(width, QLatin1Char(' '));
        QString out = formatStr;
        out.replace(m.capturedStart(), m.capturedLength(), body);
        return out;
    }
    if (formatStr.contains(QLatin1Char('0')) || formatStr.contains(QLatin1Char('#'))) {
        const int dot = formatStr.indexOf(QLatin1Char('.'));
        const int decimals = dot < 0 ? 0 : int(formatStr.size()) - dot - 1;
        return formatStr.contains(QLatin1Char(',')) ? QLocale().toString(v, 'f', decimals)
                                                    : plain.toString(v, 'f', decimals);
    }
    return plain.toString(v, 'g', 15);
}

// The pack writes minutes as "nn" and months as "mm"; Qt wants "mm" and "MM".
QString qtDateFormat(const QString& packFormat) {
    QString f = packFormat;
    f.replace(QLatin1Char('m'), QLatin1Char('M'));
    f.replace(QLatin1Char('n'), QLatin1Char('m'));
    return f;
}

QString qtTimeFormat(const QString& packFormat) {
    QString f = packFormat;
    f.replace(QLatin1Char('n'), QLatin1Char('m'));
    f.replace(QLatin1String("ampm"), QLatin1String("AP"));
    return f;
}

}  // namespace

QString Expression::quoted(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString Expression::format(const QVariant& value, const DisplayFormat& format) {
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    const bool formatted = !format.formatStr.isEmpty();
    if (isNumber(value)) {
        if (formatted && format.kind == DisplayFormat::Kind::Numeric) {
            return formatNumber(value.toDouble(), format.formatStr);
        }
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            return plainLocale().toString(value.toDouble(), 'g', 15);
        }
        return plainLocale().toString(value.toLongLong());
    }
    if (value.typeId() == QMetaType::QDate) {
        return formatted && format.kind == DisplayFormat::Kind::DateTime
                   ? QLocale().toString(value.toDate(), qtDateFormat(format.formatStr))
                   : QLocale().toString(value.toDate(), QLocale::ShortFormat);
    }
    if (value.typeId() == QMetaType::QTime) {
        return value.toTime().toString(formatted && format.kind == DisplayFormat::Kind::DateTime
                                           ? qtTimeFormat(format.formatStr)
                                           : QStringLiteral("hh:mm:ss"));
    }
    if (value.typeId() == QMetaType::QDateTime) {
        return formatted && format.kind == DisplayFormat::Kind::DateTime
                   ? QLocale().toString(value.toDateTime(), qtDateFormat(format.formatStr))
                   : QLocale().toString(value.toDateTime(), QLocale::ShortFormat);
    }
    return value.toString();
}

std::optional<QVariant> Expression::evaluate(const QString& raw, const ExpressionScope& scope,
                                             int depth) {
    QString e = raw.trimmed();
    if (depth > kMaxDepth || e.isEmpty()) {
        return std::nullopt;
    }
    if (e.startsWith(QLatin1Char('<')) && e.endsWith(QLatin1Char('>'))) {
        e = e.mid(1, e.size() - 2).trimmed();
    }
    // Text in single quotes, a quote inside doubled.
    if (e.size() >= 2 && e.startsWith(QLatin1Char('\'')) && e.endsWith(QLatin1Char('\''))) {
        QString t = e.mid(1, e.size() - 2);
        t.replace(QLatin1String("''"), QLatin1String("'"));
        return QVariant(t);
    }
    bool isNumeric = false;
    const double number = e.toDouble(&isNumeric);
    if (isNumeric) {
        return e.contains(QLatin1Char('.')) ? QVariant(number) : QVariant(e.toLongLong());
    }
    // data set."field" or data set.field
    static const QRegularExpression fieldRef(
        QStringLiteral("^([A-Za-z_][\\w ]*)\\.\"?([^\"]+)\"?$"));
    const QRegularExpressionMatch f = fieldRef.match(e);
    if (f.hasMatch() && scope.field) {
        if (auto v = scope.field(f.captured(1).trimmed(), f.captured(2))) {
            return v;
        }
    }
    static const QRegularExpression call(QStringLiteral("^(\\w+)\\s*\\((.*)\\)$"));
    const QRegularExpressionMatch c = call.match(e);
    if (c.hasMatch() && scope.aggregate) {
        const QString function = c.captured(1).toUpper();
        const QStringList args = splitArguments(c.captured(2));
        if (function == QLatin1String("COUNT") && args.size() >= 1) {
            return scope.aggregate(function, {}, args.at(0));
        }
        if ((function == QLatin1String("SUM") || function == QLatin1String("AVG") ||
             function == QLatin1String("MIN") || function == QLatin1String("MAX")) &&
            !args.isEmpty()) {
            return scope.aggregate(function, args.at(0), args.value(1));
        }
        return std::nullopt;
    }
    const QString upper = e.toUpper();
    if (upper == QLatin1String("PAGE#") || upper == QLatin1String("PAGE")) {
        return QVariant(scope.page);
    }
    if (upper == QLatin1String("TOTALPAGES#") || upper == QLatin1String("TOTALPAGES")) {
        return QVariant(ExpressionScope::totalPagesMark());
    }
    if (upper == QLatin1String("DATE")) {
        return QVariant(Clock::today());
    }
    if (upper == QLatin1String("TIME")) {
        return QVariant(Clock::currentTime());
    }
    if (scope.variable) {
        if (auto v = scope.variable(e)) {
            return evaluate(*v, scope, depth + 1);
        }
    }
    return std::nullopt;
}

QString Expression::expand(const QString& text, const DisplayFormat& format,
                           const ExpressionScope& scope) {
    if (!text.contains(QLatin1Char('['))) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const int open = text.indexOf(QLatin1Char('['), i);
        if (open < 0) {
            out += QStringView(text).mid(i);
            break;
        }
        out += QStringView(text).mid(i, open - i);
        // The matching bracket, skipping nested ones and quoted text.
        int depth = 0;
        bool quote = false;
        int close = -1;
        for (int k = open; k < text.size(); ++k) {
            const QChar ch = text.at(k);
            if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
                quote = !quote;
            } else if (!quote && ch == QLatin1Char('[')) {
                ++depth;
            } else if (!quote && ch == QLatin1Char(']') && --depth == 0) {
                close = k;
                break;
            }
        }
        if (close < 0) {
            out += QStringView(text).mid(open);
            break;
        }
        const QString inner = text.mid(open + 1, close - open - 1);
        if (const auto v = evaluate(inner, scope)) {
            out += Expression::format(*v, format);
        } else {
            out += QStringView(text).mid(open, close - open + 1);
        }
        i = close + 1;
    }
    return out;
}

}  // namespace horalia::reports
