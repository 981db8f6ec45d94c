#pragma once

#include <QColor>
#include <QMap>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

namespace horalia::reports {

// What a template holds once read: pages of bands of objects, in the report pack's own terms.
// Lengths are the pack's screen pixels (96 a inch, 37.7953 a centimetre); paper sizes and
// margins are millimetres, as the pack writes them.
constexpr double kPixelsPerMm = 96.0 / 25.4;

struct FontDef {
    QString family = QStringLiteral("Arial");
    int pixelHeight = 13;  // 10 points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color = Qt::black;
};

// The pack's frame sides are a bit set: left 1, right 2, top 4, bottom 8.
struct FrameDef {
    int sides = 0;
    double width = 1;
    QColor color = Qt::black;
};

struct DisplayFormat {
    enum class Kind { Text, Numeric, DateTime };
    Kind kind = Kind::Text;
    QString formatStr;  // "%2.2f", "dd/mm/yyyy", "hh:nn"
};

struct ObjectDef {
    enum class Kind { Memo, Barcode, Picture, Shape, Line };
    enum class Shape { Rectangle, RoundRectangle, Ellipse, Diagonal1, Diagonal2 };
    Kind kind = Kind::Memo;
    QString name;
    QRectF rect;  // relative to the band's top-left corner

    // Text objects; also the text under a barcode.
    QString text;
    FontDef font;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = true;
    DisplayFormat format;
    FrameDef frame;
    QColor fill;  // invalid: transparent

    // A data-bound object reads this field of this data set instead of its text.
    QString dataSet;
    QString dataField;

    // Barcodes.
    QString barType;
    bool showText = true;
    QString expression;  // used when no data field is set

    // Pictures: an expression giving a file path, read when the data field holds no picture.
    QString fileLink;

    Shape shape = Shape::Rectangle;
};

struct BandDef {
    enum class Kind {
        ReportTitle,
        PageHeader,
        Header,
        GroupHeader,
        MasterData,
        GroupFooter,
        Footer,
        ReportSummary,
        PageFooter
    };
    Kind kind = Kind::MasterData;
    QString name;
    double top = 0;  // the designer's position: only the order of the bands
    double left = 0;
    double height = 0;
    QString dataSet;
    int rowCount = 0;  // a master band without data set prints this many times
    bool reprintOnNewPage = false;
    // Group headers: the expression whose change starts a group, and whether a group starts
    // on a page of its own.
    QString condition;
    bool startNewPage = false;
    std::vector<ObjectDef> objects;
};

struct PageDef {
    QString name;
    QSizeF paperMm{210, 297};
    QMarginsF marginsMm{10, 10, 10, 10};
    std::vector<BandDef> bands;
};

struct ReportTemplate {
    std::vector<PageDef> pages;
    QMap<QString, QString> variables;  // name -> expression, as the template defines them
};

}  // namespace horalia::reports
