#include "csvexport.h"

#include <QSaveFile>
#include <algorithm>

#include "errors.h"

namespace horalia::reports {

namespace {

QString field(QString text) {
    // A bare CR from the data breaks the line in spreadsheets just as LF does.
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

}  // namespace

QByteArray CsvExport::toCsv(const PreparedReport& report) {
    QString out;
    std::vector<const PageItem*> band;
    // A band's texts make one line per height at which they stand, top to bottom, each line
    // from left to right: a title with a heading row under it gives two lines.
    const auto flush = [&] {
        std::stable_sort(band.begin(), band.end(), [](const PageItem* a, const PageItem* b) {
            const double ya = qRound(a->rect.top());
            const double yb = qRound(b->rect.top());
            return ya != yb ? ya < yb : a->rect.left() < b->rect.left();
        });
        for (size_t i = 0; i < band.size();) {
            QStringList fields;
            const long top = qRound(band[i]->rect.top());
            for (; i < band.size() && qRound(band[i]->rect.top()) == top; ++i) {
                fields << field(band[i]->text);
            }
            out += fields.join(QLatin1Char(';'));
            out += QLatin1String("\r\n");
        }
        band.clear();
    };
    int current = -1;
    for (const PreparedPage& page : report.pages) {
        for (const PageItem& item : page.items) {
            if (item.line < 0 ||
                (item.kind != PageItem::Kind::Text && item.kind != PageItem::Kind::Barcode)) {
                continue;
            }
            if (item.line != current) {
                flush();
                current = item.line;
            }
            band.push_back(&item);
        }
    }
    flush();
    // Characters Latin-1 has not become "?".
    return out.toLatin1();
}

void CsvExport::write(const PreparedReport& report, const QString& file) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(toCsv(report)) < 0 || !out.commit()) {
        throw FileError(
            QStringLiteral("No se puede escribir el archivo %1: %2").arg(file, out.errorString()));
    }
}

}  // namespace horalia::reports
