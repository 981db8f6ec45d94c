#include "templatereader.h"

#include <QFile>
#include <QXmlStreamReader>

#include "errors.h"

namespace horalia::reports {

namespace {

using Attrs = QXmlStreamAttributes;

constexpr int kMaxRowCount = 10000;

QString text(const Attrs& a, const char* name) {
    return a.value(QLatin1String(name)).toString();
}

double number(const Attrs& a, const char* name, double fallback) {
    bool ok = false;
    const double v = a.value(QLatin1String(name)).toDouble(&ok);
    // "nan" and "inf" read as numbers, but a NaN width or position never compares equal and
    // hangs the painting of frames.
    return ok && qIsFinite(v) ? v : fallback;
}

bool flag(const Attrs& a, const char* name, bool fallback) {
    const QString v = text(a, name);
    if (v.isEmpty()) {
        return fallback;
    }
    return v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1");
}

// The pack writes colours as Windows colour numbers: 0x00BBGGRR. clNone (0x1FFFFFFF) and the
// system colours (negative, or with the high byte set) have no fixed value on paper: they
// read as "no colour".
QColor colour(const Attrs& a, const char* name, const QColor& fallback) {
    const QString v = text(a, name);
    if (v.isEmpty()) {
        return fallback;
    }
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < 0 || n > 0xFFFFFF) {
        return {};
    }
    return QColor(int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF));
}

// Older templates keep text in Memo.UTF8: UTF-8 bytes written as if each were a character.
QString fromByteText(const QString& value) {
    for (const QChar c : value) {
        if (c.unicode() > 0xFF) {
            return value;
        }
    }
    const QByteArray bytes = value.toLatin1();
    QString decoded = QString::fromUtf8(bytes);
    return decoded.contains(QChar::ReplacementCharacter) ? value : decoded;
}

QString memoText(const Attrs& a) {
    QString t;
    if (a.hasAttribute(QLatin1String("Memo.UTF8W"))) {
        t = text(a, "Memo.UTF8W");
    } else if (a.hasAttribute(QLatin1String("Memo.UTF8"))) {
        t = fromByteText(text(a, "Memo.UTF8"));
    } else if (a.hasAttribute(QLatin1String("Memo.Text"))) {
        t = text(a, "Memo.Text");
    } else {
        t = text(a, "Text");
    }
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The pack ends a one-line memo with a line break; it prints nothing.
    while (t.endsWith(QLatin1Char('\n'))) {
        t.chop(1);
    }
    return t;
}

int frameSides(const QString& v) {
    bool ok = false;
    const int n = v.toInt(&ok);
    if (ok) {
        return n & 15;
    }
    int sides = 0;
    if (v.contains(QLatin1String("ftLeft")))
        sides |= 1;
    if (v.contains(QLatin1String("ftRight")))
        sides |= 2;
    if (v.contains(QLatin1String("ftTop")))
        sides |= 4;
    if (v.contains(QLatin1String("ftBottom")))
        sides |= 8;
    return sides;
}

FontDef font(const Attrs& a) {
    FontDef f;
    if (a.hasAttribute(QLatin1String("Font.Name"))) {
        f.family = text(a, "Font.Name");
    }
    if (a.hasAttribute(QLatin1String("Font.Height"))) {
        // Negative heights are character heights in pixels, the pack's usual form.
        f.pixelHeight = qMax(1, qAbs(int(number(a, "Font.Height", -13))));
    } else if (a.hasAttribute(QLatin1String("Font.Size"))) {
        f.pixelHeight = qMax(1, qRound(number(a, "Font.Size", 10) * 96.0 / 72.0));
    }
    const int style = int(number(a, "Font.Style", 0));
    f.bold = style & 1;
    f.italic = style & 2;
    f.underline = style & 4;
    f.strikeOut = style & 8;
    const QColor c = colour(a, "Font.Color", Qt::black);
    f.color = c.isValid() ? c : QColor(Qt::black);
    return f;
}

Qt::Alignment alignment(const Attrs& a) {
    Qt::Alignment h = Qt::AlignLeft;
    const QString ha = text(a, "HAlign");
    if (ha == QLatin1String("haRight")) {
        h = Qt::AlignRight;
    } else if (ha == QLatin1String("haCenter")) {
        h = Qt::AlignHCenter;
    } else if (ha == QLatin1String("haBlock")) {
        h = Qt::AlignJustify;
    }
    Qt::Alignment v = Qt::AlignTop;
    const QString va = text(a, "VAlign");
    if (va == QLatin1String("vaBottom")) {
        v = Qt::AlignBottom;
    } else if (va == QLatin1String("vaCenter")) {
        v = Qt::AlignVCenter;
    }
    return h | v;
}

DisplayFormat displayFormat(const Attrs& a) {
    DisplayFormat d;
    d.formatStr = text(a, "DisplayFormat.FormatStr");
    const QString kind = text(a, "DisplayFormat.Kind");
    if (kind == QLatin1String("fkNumeric")) {
        d.kind = DisplayFormat::Kind::Numeric;
    } else if (kind == QLatin1String("fkDateTime")) {
        d.kind = DisplayFormat::Kind::DateTime;
    } else if (kind.isEmpty() && d.formatStr.startsWith(QLatin1Char('%'))) {
        // The pack's default kind is numeric: a format alone is a number format.
        d.kind = DisplayFormat::Kind::Numeric;
    }
    return d;
}

QString dataSetName(const Attrs& a) {
    const QString user = text(a, "DataSetName");
    return user.isEmpty() ? text(a, "DataSet") : user;
}

const std::pair<const char*, BandDef::Kind> kBandKinds[] = {
    {"TfrxReportTitle", BandDef::Kind::ReportTitle},
    {"TfrxPageHeader", BandDef::Kind::PageHeader},
    {"TfrxHeader", BandDef::Kind::Header},
    {"TfrxGroupHeader", BandDef::Kind::GroupHeader},
    {"TfrxMasterData", BandDef::Kind::MasterData},
    {"TfrxGroupFooter", BandDef::Kind::GroupFooter},
    {"TfrxFooter", BandDef::Kind::Footer},
    {"TfrxReportSummary", BandDef::Kind::ReportSummary},
    {"TfrxPageFooter", BandDef::Kind::PageFooter},
};

}  // namespace

ReportTemplate TemplateReader::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw FileError(QStringLiteral("No se puede leer la plantilla de informe %1: %2")
                            .arg(path, file.errorString()));
    }
    return readText(file.readAll(), path);
}

ReportTemplate TemplateReader::readText(const QByteArray& data, const QString& name) {
    QXmlStreamReader xml(data);
    ReportTemplate report;
    if (!xml.readNextStartElement()) {
        throw FileError(
            QStringLiteral("La plantilla de informe %1 no es un archivo XML válido (línea %2).")
                .arg(name)
                .arg(xml.lineNumber()));
    }
    if (xml.name() != QLatin1String("TfrxReport")) {
        throw FileError(QStringLiteral("El archivo %1 no es una plantilla de informe.").arg(name));
    }
    while (xml.readNextStartElement()) {
        const auto element = xml.name();
        if (element == QLatin1String("TfrxReportPage")) {
            report.pages.push_back(readPage(xml));
        } else if (element == QLatin1String("Variables")) {
            while (xml.readNextStartElement()) {
                const Attrs a = xml.attributes();
                if (!text(a, "Name").isEmpty() && !text(a, "Name").startsWith(QLatin1Char(' '))) {
                    report.variables.insert(text(a, "Name"), text(a, "Value"));
                }
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        throw FileError(
            QStringLiteral("La plantilla de informe %1 no es un archivo XML válido (línea %2).")
                .arg(name)
                .arg(xml.lineNumber()));
    }
    return report;
}

PageDef TemplateReader::readPage(QXmlStreamReader& xml) {
    const Attrs a = xml.attributes();
    PageDef page;
    page.name = text(a, "Name");
    page.paperMm = {number(a, "PaperWidth", 210), number(a, "PaperHeight", 297)};
    if (text(a, "Orientation") == QLatin1String("poLandscape") &&
        page.paperMm.width() < page.paperMm.height()) {
        page.paperMm.transpose();
    }
    page.marginsMm = {number(a, "LeftMargin", 10), number(a, "TopMargin", 10),
                      number(a, "RightMargin", 10), number(a, "BottomMargin", 10)};
    while (xml.readNextStartElement()) {
        bool known = false;
        for (const auto& [element, kind] : kBandKinds) {
            if (xml.name() == QLatin1String(element)) {
                page.bands.push_back(readBand(xml, kind));
                known = true;
                break;
            }
        }
        if (!known) {
            xml.skipCurrentElement();
        }
    }
    return page;
}

BandDef TemplateReader::readBand(QXmlStreamReader& xml, BandDef::Kind kind) {
    const Attrs a = xml.attributes();
    BandDef band;
    band.kind = kind;
    band.name = text(a, "Name");
    band.top = number(a, "Top", 0);
    band.left = number(a, "Left", 0);
    band.height = qMax(0.0, number(a, "Height", 0));
    band.dataSet = dataSetName(a);
    // Bounded before the conversion: a band printed two thousand million times would never end.
    band.rowCount = int(qBound(0.0, number(a, "RowCount", 0), double(kMaxRowCount)));
    band.reprintOnNewPage = flag(a, "ReprintOnNewPage", false);
    band.condition = text(a, "Condition");
    band.startNewPage = flag(a, "StartNewPage", false);
    while (xml.readNextStartElement()) {
        readObject(xml, band);
    }
    return band;
}

void TemplateReader::readObject(QXmlStreamReader& xml, BandDef& band) {
    const Attrs a = xml.attributes();
    const auto element = xml.name();
    ObjectDef o;
    if (element == QLatin1String("TfrxMemoView") || element == QLatin1String("TfrxSysMemoView")) {
        o.kind = ObjectDef::Kind::Memo;
    } else if (element == QLatin1String("TfrxBarCodeView")) {
        o.kind = ObjectDef::Kind::Barcode;
    } else if (element == QLatin1String("TfrxPictureView")) {
        o.kind = ObjectDef::Kind::Picture;
    } else if (element == QLatin1String("TfrxShapeView")) {
        o.kind = ObjectDef::Kind::Shape;
    } else if (element == QLatin1String("TfrxLineView")) {
        o.kind = ObjectDef::Kind::Line;
    } else {
        xml.skipCurrentElement();
        return;
    }
    if (!flag(a, "Visible", true)) {
        xml.skipCurrentElement();
        return;
    }
    o.name = text(a, "Name");
    o.rect = QRectF(number(a, "Left", 0), number(a, "Top", 0), number(a, "Width", 0),
                    number(a, "Height", 0));
    o.text = memoText(a);
    o.font = font(a);
    o.align = alignment(a);
    o.wordWrap = flag(a, "WordWrap", true);
    o.format = displayFormat(a);
    o.frame.sides = frameSides(text(a, "Frame.Typ"));
    o.frame.width = number(a, "Frame.Width", 1);
    const QColor frameColour = colour(a, "Frame.Color", Qt::black);
    o.frame.color = frameColour.isValid() ? frameColour : QColor(Qt::black);
    o.fill = colour(a, "Color", QColor());
    o.dataSet = dataSetName(a);
    o.dataField = text(a, "DataField");
    o.barType = text(a, "BarType");
    o.showText = flag(a, "ShowText", true);
    o.expression = text(a, "Expression");
    o.fileLink = text(a, "FileLink");
    const QString shape = text(a, "Shape");
    if (shape == QLatin1String("skRoundRectangle")) {
        o.shape = ObjectDef::Shape::RoundRectangle;
    } else if (shape == QLatin1String("skEllipse")) {
        o.shape = ObjectDef::Shape::Ellipse;
    } else if (shape == QLatin1String("skDiagonal1")) {
        o.shape = ObjectDef::Shape::Diagonal1;
    } else if (shape == QLatin1String("skDiagonal2")) {
        o.shape = ObjectDef::Shape::Diagonal2;
    }
    band.objects.push_back(std::move(o));
    xml.skipCurrentElement();
}

}  // namespace horalia::reports
