#pragma once

#include <QString>
#include <QVariant>

namespace horalia {

// The kinds a declared column can have. A column of the right kind but another width
// (SMALLINT for INT, DECIMAL for DOUBLE) is accepted; another kind is not.
enum class FieldKind { Integer, Float, Date, Time, DateTime, Text };

QString kindName(FieldKind kind);

struct Field {
    QString name;
    FieldKind kind = FieldKind::Text;
    int size = 0;  // text: most characters; integer: bits (16, 32, 64)
    bool required = false;
    bool readOnly = false;
    QString displayFormat;  // "dd/mm/yy", "hh:mm", "0.00" (the report and grid notation)
    QString editMask;       // "!90:00;1;_" style masks for time fields

    static Field integer(const QString& name, int bits = 32, bool required = false) {
        return {name, FieldKind::Integer, bits, required, false, {}, {}};
    }
    static Field real(const QString& name, bool required = false) {
        return {name, FieldKind::Float, 0, required, false, {}, {}};
    }
    static Field date(const QString& name, bool required = false) {
        return {name, FieldKind::Date, 0, required, false, {}, {}};
    }
    static Field time(const QString& name, bool required = false) {
        return {name, FieldKind::Time, 0, required, false, {}, {}};
    }
    static Field text(const QString& name, int size, bool required = false) {
        return {name, FieldKind::Text, size, required, false, {}, {}};
    }
    Field& withFormat(const QString& format) {
        displayFormat = format;
        return *this;
    }
    Field& asReadOnly() {
        readOnly = true;
        return *this;
    }
};

// A value as the grids and labels show it: the field's display format when it has one, the
// station's Spanish conventions otherwise. Null shows as empty.
QString displayText(const Field& field, const QVariant& value);

// Converts a value as the server sends it (TIME as "08:05:00" text, SMALLINT as short, ...)
// to the one representation the program uses for the kind.
QVariant normalise(FieldKind kind, const QVariant& value);

}  // namespace horalia
