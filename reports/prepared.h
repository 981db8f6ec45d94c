#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

#include "reporttemplate.h"

namespace horalia::reports {

// How a text is drawn; shared by every item laid out from the same memo.
struct TextStyle {
    QFont font;  // pixel size in the pack's pixels
    QColor color = Qt::black;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = true;
};

// One drawable thing on a page, in the pack's pixels from the paper's top-left corner.
struct PageItem {
    enum class Kind { Text, Rectangle, RoundRectangle, Ellipse, Line, Barcode, Picture };
    Kind kind = Kind::Text;
    QRectF rect;
    QString text;    // texts; the human-readable line of a barcode
    int style = -1;  // texts and barcodes: index into PreparedReport::styles
    QColor fill;
    FrameDef frame;
    // Barcodes: the bars and spaces, one entry a module; empty when the text cannot be encoded.
    std::shared_ptr<const std::vector<bool>> modules;
    bool barcodeText = false;
    QImage picture;
    int line = -1;  // the band printing it, in order; -1 for page headers and footers
};

struct PreparedPage {
    QSizeF sizePx;  // paper size
    std::vector<PageItem> items;
};

// A report laid out into pages, ready for the preview, the printer, PDF and CSV.
struct PreparedReport {
    QString documentName;
    QString missingTemplate;  // the template path when there was no file to load
    std::vector<PreparedPage> pages;
    std::vector<TextStyle> styles;
};

}  // namespace horalia::reports
