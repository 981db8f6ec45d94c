#include "pagepainter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "errors.h"

namespace horalia::reports {

namespace {

// The pack leaves a small gap between a text and its frame.
constexpr double kGapX = 2;
constexpr double kGapY = 1;

QPen framePen(const FrameDef& frame) {
    QPen pen(frame.color);
    pen.setWidthF(qMax(0.1, frame.width));
    return pen;
}

// The frame edges of a page, drawn together after everything else: the cells of a row share
// their bottom edge, and one line instead of one a cell makes a long report's PDF much
// lighter to write.
class FrameLines {
public:
    void add(const QRectF& r, const FrameDef& frame) {
        const QRgb colour = frame.color.rgba();
        if (frame.sides & 1) {
            segments_.push_back({colour, frame.width, false, r.left(), r.top(), r.bottom()});
        }
        if (frame.sides & 2) {
            segments_.push_back({colour, frame.width, false, r.right(), r.top(), r.bottom()});
        }
        if (frame.sides & 4) {
            segments_.push_back({colour, frame.width, true, r.top(), r.left(), r.right()});
        }
        if (frame.sides & 8) {
            segments_.push_back({colour, frame.width, true, r.bottom(), r.left(), r.right()});
        }
    }
    void draw(QPainter& p) {
        std::sort(segments_.begin(), segments_.end(), [](const Segment& a, const Segment& b) {
            return std::tie(a.colour, a.width, a.horizontal, a.at, a.from) <
                   std::tie(b.colour, b.width, b.horizontal, b.at, b.from);
        });
        std::vector<QLineF> lines;
        for (size_t i = 0; i < segments_.size();) {
            const Segment& first = segments_[i];
            FrameDef pen;
            pen.color = QColor::fromRgba(first.colour);
            pen.width = first.width;
            lines.clear();
            for (; i < segments_.size() && segments_[i].colour == first.colour &&
                   segments_[i].width == first.width;) {
                Segment joined = segments_[i++];
                // Edges on one line that touch or overlap become one.
                while (i < segments_.size() && segments_[i].colour == joined.colour &&
                       segments_[i].width == joined.width &&
                       segments_[i].horizontal == joined.horizontal &&
                       segments_[i].at == joined.at && segments_[i].from <= joined.to + 0.5) {
                    joined.to = std::max(joined.to, segments_[i++].to);
                }
                lines.push_back(joined.horizontal
                                    ? QLineF(joined.from, joined.at, joined.to, joined.at)
                                    : QLineF(joined.at, joined.from, joined.at, joined.to));
            }
            p.setPen(framePen(pen));
            p.drawLines(lines.data(), int(lines.size()));
        }
        segments_.clear();
    }

private:
    struct Segment {
        QRgb colour;
        double width;
        bool horizontal;
        double at;  // the y of a horizontal edge, the x of a vertical one
        double from;
        double to;
    };
    std::vector<Segment> segments_;
};

// Font metrics of each text style, made once a page: a report of thousands of rows sets the
// same few fonts again and again.
class StyleCache {
public:
    explicit StyleCache(const PreparedReport& report) : report_(report) {}
    const TextStyle& use(QPainter& p, int style) {
        const TextStyle& s = report_.styles[size_t(style)];
        if (style != current_) {
            p.setFont(s.font);
            p.setPen(s.color);
            current_ = style;
        }
        return s;
    }
    const QFontMetricsF& metrics(int style) {
        auto it = metrics_.find(style);
        if (it == metrics_.end()) {
            it = metrics_.emplace(style, QFontMetricsF(report_.styles[size_t(style)].font)).first;
        }
        return it->second;
    }
    void forget() { current_ = -1; }  // someone else set the font or the pen

private:
    const PreparedReport& report_;
    std::map<int, QFontMetricsF> metrics_;
    int current_ = -1;
};

void drawText(QPainter& p, StyleCache& styles, FrameLines& frames, const PageItem& item) {
    if (item.fill.isValid()) {
        p.fillRect(item.rect, item.fill);
    }
    if (!item.text.isEmpty() && item.style >= 0) {
        const TextStyle& s = styles.use(p, item.style);
        const QRectF box = item.rect.adjusted(kGapX, kGapY, -kGapX, -kGapY);
        if (s.wordWrap || item.text.contains(QLatin1Char('\n'))) {
            // A text that may wrap stays in its box.
            p.save();
            p.setClipRect(item.rect.adjusted(-1, -1, 1, 1));
            p.drawText(box, int(s.align) | Qt::TextWordWrap, item.text);
            p.restore();
        } else {
            // A one-line text is shown whole, growing out of its box on the side away from its
            // alignment, so a total or a count is never cut. Placed by hand: much cheaper than
            // a layout in a rectangle, for the many short texts of a long report.
            const QFontMetricsF& fm = styles.metrics(item.style);
            const double width = fm.horizontalAdvance(item.text);
            double x = box.left();
            if (s.align & Qt::AlignRight) {
                x = box.right() - width;
            } else if (s.align & Qt::AlignHCenter) {
                x = box.center().x() - width / 2;
            }
            double y = box.top() + fm.ascent();
            if (s.align & Qt::AlignBottom) {
                y = box.bottom() - fm.descent();
            } else if (s.align & Qt::AlignVCenter) {
                y = box.center().y() - fm.height() / 2 + fm.ascent();
            }
            p.drawText(QPointF(x, y), item.text);
        }
    }
    frames.add(item.rect, item.frame);
}

void drawBarcode(QPainter& p, const PreparedReport& report, const PageItem& item) {
    QRectF bars = item.rect;
    if (item.barcodeText && item.style >= 0) {
        const TextStyle& s = report.styles[size_t(item.style)];
        const double textHeight = s.font.pixelSize() + 2;
        bars.setHeight(qMax(0.0, bars.height() - textHeight));
        p.setFont(s.font);
        p.setPen(Qt::black);
        p.drawText(QRectF(item.rect.left(), bars.bottom(), item.rect.width(), textHeight),
                   Qt::AlignHCenter | Qt::AlignTop, item.text);
    }
    // An empty module list (a text Code 128 cannot carry) leaves the area blank.
    if (!item.modules || item.modules->empty()) {
        return;
    }
    const std::vector<bool>& m = *item.modules;
    const double module = bars.width() / double(m.size());
    for (size_t i = 0; i < m.size();) {
        if (!m[i]) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < m.size() && m[end]) {
            ++end;
        }
        p.fillRect(QRectF(bars.left() + double(i) * module, bars.top(), double(end - i) * module,
                          bars.height()),
                   Qt::black);
        i = end;
    }
}

void drawPicture(QPainter& p, FrameLines& frames, const PageItem& item) {
    if (item.fill.isValid()) {
        p.fillRect(item.rect, item.fill);
    }
    if (!item.picture.isNull()) {
        // Stretched into the box with its proportions kept, centred.
        const double k = qMin(item.rect.width() / item.picture.width(),
                              item.rect.height() / item.picture.height());
        QRectF target(0, 0, item.picture.width() * k, item.picture.height() * k);
        target.moveCenter(item.rect.center());
        p.drawImage(target, item.picture);
    }
    frames.add(item.rect, item.frame);
}

}  // namespace

void PagePainter::paint(QPainter& p, const PreparedReport& report, int page) {
    if (page < 0 || page >= int(report.pages.size())) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    StyleCache styles(report);
    FrameLines frames;
    for (const PageItem& item : report.pages[size_t(page)].items) {
        if (item.kind != PageItem::Kind::Text) {
            styles.forget();
        }
        switch (item.kind) {
            case PageItem::Kind::Text:
                drawText(p, styles, frames, item);
                break;
            case PageItem::Kind::Barcode:
                drawBarcode(p, report, item);
                break;
            case PageItem::Kind::Picture:
                drawPicture(p, frames, item);
                break;
            case PageItem::Kind::Rectangle:
            case PageItem::Kind::RoundRectangle:
            case PageItem::Kind::Ellipse:
                p.setPen(framePen(item.frame));
                p.setBrush(item.fill.isValid() ? QBrush(item.fill) : QBrush(Qt::NoBrush));
                if (item.kind == PageItem::Kind::Rectangle) {
                    p.drawRect(item.rect);
                } else if (item.kind == PageItem::Kind::Ellipse) {
                    p.drawEllipse(item.rect);
                } else {
                    const double r = qMin(item.rect.width(), item.rect.height()) / 8;
                    p.drawRoundedRect(item.rect, r, r);
                }
                p.setBrush(Qt::NoBrush);
                break;
            case PageItem::Kind::Line:
                p.setPen(framePen(item.frame));
                p.drawLine(item.rect.topLeft(), item.rect.bottomRight());
                break;
        }
    }
    frames.draw(p);
    p.restore();
}

void PagePainter::paintAll(QPagedPaintDevice& device, const PreparedReport& report) {
    const auto pageSize = [](const PreparedPage& page) {
        return QPageSize(page.sizePx / kPixelsPerMm, QPageSize::Millimeter);
    };
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    if (!report.pages.empty()) {
        device.setPageSize(pageSize(report.pages.front()));
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        throw FileError(QStringLiteral("No se puede escribir el informe."));
    }
    for (size_t i = 0; i < report.pages.size(); ++i) {
        if (i > 0) {
            // Only a change of paper is set: setting it costs, and most reports keep one.
            if (report.pages[i].sizePx != report.pages[i - 1].sizePx) {
                device.setPageSize(pageSize(report.pages[i]));
            }
            device.newPage();
        }
        painter.save();
        const double scale = device.logicalDpiX() / 96.0;
        painter.scale(scale, device.logicalDpiY() / 96.0);
        paint(painter, report, int(i));
        painter.restore();
    }
    painter.end();
}

void PagePainter::exportPdf(const PreparedReport& report, const QString& file) {
    {
        // QPdfWriter says nothing when it cannot write: find out first, with a clear message.
        QFile probe(file);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            throw FileError(QStringLiteral("No se puede escribir el archivo %1: %2")
                                .arg(file, probe.errorString()));
        }
    }
    QPdfWriter writer(file);
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_6);
    writer.setTitle(report.documentName);
    writer.setCreator(QStringLiteral("Horalia"));
    writer.setResolution(600);
    paintAll(writer, report);
}

void PagePainter::print(QPrinter& printer, const PreparedReport& report) {
    printer.setFullPage(true);
    printer.setDocName(report.documentName);
    paintAll(printer, report);
}

}  // namespace horalia::reports
