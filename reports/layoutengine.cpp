#include "layoutengine.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "barcode.h"

namespace horalia::reports {

namespace {

QString lower(const QString& s) {
    return s.trimmed().toLower();
}

bool isInteger(const QVariant& v) {
    const int t = v.typeId();
    return t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::Short ||
           t == QMetaType::UInt || t == QMetaType::ULongLong || t == QMetaType::UShort;
}

}  // namespace

LayoutEngine::LayoutEngine(const ReportTemplate& report,
                           const std::map<QString, ReportDataset*>& dataSets,
                           const QMap<QString, QString>& variables, const QString& baseDir)
    : template_(report), variables_(variables), baseDir_(baseDir) {
    for (const auto& [name, set] : dataSets) {
        dataSets_[lower(name)] = set;
    }
    scope_.field = [this](const QString& set, const QString& field) {
        return fieldValue(set, field);
    };
    scope_.variable = [this](const QString& name) -> std::optional<QString> {
        // The program's variables first, then those the template defines itself.
        for (const QMap<QString, QString>* vars : {&variables_, &template_.variables}) {
            for (auto it = vars->cbegin(); it != vars->cend(); ++it) {
                if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
                    return it.value();
                }
            }
        }
        return std::nullopt;
    };
    scope_.aggregate = [this](const QString& f, const QString& arg, const QString& band) {
        return aggregate(f, arg, band);
    };
}

const ReportDataset* LayoutEngine::dataSet(const QString& name) const {
    const auto it = dataSets_.find(lower(name));
    return it == dataSets_.end() ? nullptr : it->second;
}

std::optional<QVariant> LayoutEngine::fieldValue(const QString& setName,
                                                 const QString& field) const {
    const ReportDataset* set = dataSet(setName);
    if (!set) {
        return std::nullopt;
    }
    // A field the bound dataset does not have prints as empty, like a null: the same template
    // can serve the rows and the totals.
    const int column = set->fieldIndex(field);
    const auto row = currentRow_.find(lower(setName));
    return set->value(row == currentRow_.end() ? 0 : row->second, column);
}

std::optional<QVariant> LayoutEngine::aggregate(const QString& function, const QString& argument,
                                                const QString& bandName) {
    const BandDef* band = nullptr;
    if (bandName.trimmed().isEmpty()) {
        band = lastMaster_;
    } else {
        for (const BandDef& b : page_->bands) {
            if (b.kind == BandDef::Kind::MasterData &&
                b.name.compare(bandName.trimmed(), Qt::CaseInsensitive) == 0) {
                band = &b;
            }
        }
    }
    // An aggregate inside an aggregate's argument (a variable summing itself) would go round
    // without end, and nested ones cost rows to the power of the nesting.
    if (!band || aggregating_) {
        return std::nullopt;
    }
    const int rows = printed_[lower(band->name)];
    const int from = band == lastMaster_ ? qMin(aggregateFrom_, rows) : 0;
    if (function == QLatin1String("COUNT")) {
        return QVariant(rows - from);
    }
    const QString key = lower(band->dataSet);
    const auto saved = currentRow_.find(key);
    const bool hadRow = saved != currentRow_.end();
    const int savedRow = hadRow ? saved->second : 0;
    double sum = 0;
    double low = 0;
    double high = 0;
    int counted = 0;
    bool integers = true;
    aggregating_ = true;
    for (int r = from; r < rows; ++r) {
        currentRow_[key] = r;
        const std::optional<QVariant> v = Expression::evaluate(argument, scope_);
        if (!v || v->isNull() || !v->isValid()) {
            continue;
        }
        bool ok = false;
        const double d = v->toDouble(&ok);
        if (!ok) {
            continue;
        }
        integers = integers && isInteger(*v);
        low = counted == 0 ? d : std::min(low, d);
        high = counted == 0 ? d : std::max(high, d);
        sum += d;
        ++counted;
    }
    aggregating_ = false;
    if (hadRow) {
        currentRow_[key] = savedRow;
    } else {
        currentRow_.erase(key);
    }
    double result = sum;
    if (function == QLatin1String("AVG")) {
        result = counted ? sum / counted : 0;
        integers = false;
    } else if (function == QLatin1String("MIN")) {
        result = low;
    } else if (function == QLatin1String("MAX")) {
        result = high;
    }
    return integers ? QVariant(qlonglong(result)) : QVariant(result);
}

PreparedReport LayoutEngine::run() {
    for (const PageDef& page : template_.pages) {
        layOutPage(page);
    }
    const QString total = QString::number(out_.pages.size());
    for (const auto& [page, item] : deferred_) {
        out_.pages[page].items[item].text.replace(ExpressionScope::totalPagesMark(), total);
    }
    return std::move(out_);
}

void LayoutEngine::layOutPage(const PageDef& page) {
    page_ = &page;
    margins_ =
        QMarginsF(page.marginsMm.left() * kPixelsPerMm, page.marginsMm.top() * kPixelsPerMm,
                  page.marginsMm.right() * kPixelsPerMm, page.marginsMm.bottom() * kPixelsPerMm);
    usableHeight_ = page.paperMm.height() * kPixelsPerMm - margins_.top() - margins_.bottom();
    const BandDef* title = nullptr;
    const BandDef* summary = nullptr;
    pageHeader_ = pageFooter_ = lastMaster_ = repeatedHeader_ = nullptr;
    std::vector<const BandDef*> body;
    for (const BandDef& band : page.bands) {
        switch (band.kind) {
            case BandDef::Kind::ReportTitle:
                title = &band;
                break;
            case BandDef::Kind::PageHeader:
                pageHeader_ = &band;
                break;
            case BandDef::Kind::PageFooter:
                pageFooter_ = &band;
                break;
            case BandDef::Kind::ReportSummary:
                summary = &band;
                break;
            default:
                body.push_back(&band);
        }
    }
    std::stable_sort(body.begin(), body.end(),
                     [](const BandDef* a, const BandDef* b) { return a->top < b->top; });

    addPage();
    if (title) {
        place(*title);
    }
    if (pageHeader_) {
        place(*pageHeader_, false);
    }
    std::vector<const BandDef*> groupHeaders;
    for (size_t i = 0; i < body.size(); ++i) {
        const BandDef* band = body[i];
        if (band->kind == BandDef::Kind::Header) {
            place(*band);
            repeatedHeader_ = band->reprintOnNewPage ? band : nullptr;
        } else if (band->kind == BandDef::Kind::GroupHeader) {
            groupHeaders.push_back(band);
        } else if (band->kind == BandDef::Kind::MasterData) {
            // The footers right after the band close its groups, innermost first.
            std::vector<const BandDef*> groupFooters;
            while (i + 1 < body.size() && body[i + 1]->kind == BandDef::Kind::GroupFooter) {
                groupFooters.push_back(body[++i]);
            }
            layOutData(*band, groupHeaders, groupFooters);
            groupHeaders.clear();
            repeatedHeader_ = nullptr;
        } else if (band->kind != BandDef::Kind::GroupFooter) {
            place(*band);
        }
    }
    if (summary) {
        place(*summary);
    }
    finishPage();
}

void LayoutEngine::layOutData(const BandDef& master,
                              const std::vector<const BandDef*>& groupHeaders,
                              const std::vector<const BandDef*>& groupFooters) {
    lastMaster_ = &master;
    const QString key = lower(master.dataSet);
    const ReportDataset* set = master.dataSet.isEmpty() ? nullptr : dataSet(master.dataSet);
    // A band on a data set that no window supplies prints no rows.
    const int rows = master.dataSet.isEmpty() ? master.rowCount : set ? set->rowCount() : 0;
    int& printed = printed_[lower(master.name)];
    printed = 0;

    const size_t levels = groupHeaders.size();
    // The footer of group level j: footers come innermost first.
    const auto footerOf = [&](size_t j) -> const BandDef* {
        const size_t k = levels - 1 - j;
        return k < groupFooters.size() ? groupFooters[k] : nullptr;
    };
    std::vector<QString> values(levels);
    std::vector<int> starts(levels, 0);
    const auto closeGroups = [&](size_t from) {
        for (size_t j = levels; j-- > from;) {
            if (const BandDef* footer = footerOf(j)) {
                aggregateFrom_ = starts[j];
                place(*footer);
                aggregateFrom_ = 0;
            }
            // Closed: an outer footer that goes to a new page must not bring back its heading.
            if (openGroups_.size() > j) {
                openGroups_.resize(j);
            }
        }
    };
    for (int r = 0; r < rows; ++r) {
        currentRow_[key] = r;
        size_t changed = levels;
        std::vector<QString> now(levels);
        for (size_t j = 0; j < levels; ++j) {
            QString condition = groupHeaders[j]->condition.trimmed();
            if (condition.startsWith(QLatin1Char('[')) && condition.endsWith(QLatin1Char(']'))) {
                condition = condition.mid(1, condition.size() - 2);
            }
            const auto v = Expression::evaluate(condition, scope_);
            now[j] = v ? v->toString() : QString();
            if (changed == levels && (r == 0 || now[j] != values[j])) {
                changed = j;
            }
        }
        if (changed < levels) {
            if (r > 0) {
                // A group's footer shows its own last row.
                currentRow_[key] = r - 1;
                closeGroups(changed);
                currentRow_[key] = r;
            }
            for (size_t j = changed; j < levels; ++j) {
                values[j] = now[j];
                starts[j] = printed;
                // The first group starts where the data starts, after a title if there is one.
                if (groupHeaders[j]->startNewPage && r > 0 && bodyOnPage_) {
                    finishPage();
                    startPage();
                }
                place(*groupHeaders[j]);
                openGroups_.push_back(groupHeaders[j]);
            }
        }
        ++printed;
        place(master);
    }
    if (rows > 0) {
        currentRow_[key] = rows - 1;
        closeGroups(0);
    }
}

void LayoutEngine::addPage() {
    out_.pages.emplace_back();
    out_.pages.back().sizePx = page_->paperMm * kPixelsPerMm;
    y_ = 0;
    bodyOnPage_ = false;
    scope_.page = int(out_.pages.size());
}

void LayoutEngine::startPage() {
    addPage();
    if (pageHeader_) {
        place(*pageHeader_, false);
    }
    // The reprinted headers stay on this page even when they overflow it: breaking the page for
    // them would reprint them again, without end.
    reprinting_ = true;
    if (repeatedHeader_) {
        place(*repeatedHeader_);
    }
    for (const BandDef* group : openGroups_) {
        if (group->reprintOnNewPage) {
            place(*group);
        }
    }
    reprinting_ = false;
}

void LayoutEngine::finishPage() {
    if (pageFooter_) {
        put(*pageFooter_, usableHeight_ - pageFooter_->height, -1);
    }
}

void LayoutEngine::place(const BandDef& band, bool data) {
    const double room = usableHeight_ - (pageFooter_ ? pageFooter_->height : 0);
    // A band taller than an empty page is drawn anyway, cut at the foot, rather than never.
    if (data && bodyOnPage_ && !reprinting_ && y_ + band.height > room + 0.01) {
        finishPage();
        startPage();
    }
    put(band, y_, data ? line_++ : -1);
    y_ += band.height;
    bodyOnPage_ = bodyOnPage_ || data;
}

int LayoutEngine::styleFor(const ObjectDef& o) {
    const auto it = styles_.find(&o);
    if (it != styles_.end()) {
        return it->second;
    }
    TextStyle s;
    s.font.setFamily(o.font.family);
    s.font.setPixelSize(o.font.pixelHeight);
    s.font.setBold(o.font.bold);
    s.font.setItalic(o.font.italic);
    s.font.setUnderline(o.font.underline);
    s.font.setStrikeOut(o.font.strikeOut);
    s.color = o.font.color;
    s.align = o.align;
    s.wordWrap = o.wordWrap;
    out_.styles.push_back(s);
    const int index = int(out_.styles.size()) - 1;
    styles_.emplace(&o, index);
    return index;
}

QString LayoutEngine::resolvePath(const QString& path) const {
    if (path.isEmpty() || QFileInfo(path).isAbsolute()) {
        return path;
    }
    return QDir(baseDir_).filePath(path);
}

void LayoutEngine::put(const BandDef& band, double top, int line) {
    PreparedPage& page = out_.pages.back();
    const QPointF origin(margins_.left() + band.left, margins_.top() + top);
    for (const ObjectDef& o : band.objects) {
        PageItem item;
        item.rect = o.rect.translated(origin);
        item.line = line;
        item.frame = o.frame;
        item.fill = o.fill;
        switch (o.kind) {
            case ObjectDef::Kind::Memo: {
                item.kind = PageItem::Kind::Text;
                item.style = styleFor(o);
                if (!o.dataField.isEmpty()) {
                    item.text = Expression::format(
                        fieldValue(o.dataSet, o.dataField).value_or(QVariant()), o.format);
                } else {
                    item.text = Expression::expand(o.text, o.format, scope_);
                }
                if (item.text.contains(ExpressionScope::totalPagesMark())) {
                    deferred_.emplace_back(out_.pages.size() - 1, page.items.size());
                }
                break;
            }
            case ObjectDef::Kind::Barcode: {
                item.kind = PageItem::Kind::Barcode;
                item.style = styleFor(o);
                item.barcodeText = o.showText;
                if (!o.dataField.isEmpty()) {
                    item.text = fieldValue(o.dataSet, o.dataField).value_or(QVariant()).toString();
                } else if (!o.expression.isEmpty()) {
                    const auto v = Expression::evaluate(o.expression, scope_);
                    item.text = v ? v->toString() : QString();
                } else {
                    item.text = Expression::expand(o.text, {}, scope_);
                }
                if (Barcode::supports(o.barType)) {
                    item.modules =
                        std::make_shared<const std::vector<bool>>(Barcode::code128(item.text));
                }
                break;
            }
            case ObjectDef::Kind::Picture: {
                item.kind = PageItem::Kind::Picture;
                if (!o.dataField.isEmpty()) {
                    const QVariant v = fieldValue(o.dataSet, o.dataField).value_or(QVariant());
                    if (v.typeId() == QMetaType::QByteArray) {
                        item.picture = QImage::fromData(v.toByteArray());
                    }
                }
                if (item.picture.isNull() && !o.fileLink.isEmpty()) {
                    const QString path = resolvePath(Expression::expand(o.fileLink, {}, scope_));
                    // Only a regular file: opening a named pipe or a device can wait forever.
                    if (QFileInfo(path).isFile()) {
                        item.picture = QImage(path);
                    }
                }
                break;
            }
            case ObjectDef::Kind::Shape:
                item.frame.sides = 15;
                switch (o.shape) {
                    case ObjectDef::Shape::RoundRectangle:
                        item.kind = PageItem::Kind::RoundRectangle;
                        break;
                    case ObjectDef::Shape::Ellipse:
                        item.kind = PageItem::Kind::Ellipse;
                        break;
                    case ObjectDef::Shape::Diagonal1:
                        item.kind = PageItem::Kind::Line;
                        item.rect = QRectF(item.rect.bottomLeft(), item.rect.topRight());
                        break;
                    case ObjectDef::Shape::Diagonal2:
                        item.kind = PageItem::Kind::Line;
                        break;
                    default:
                        item.kind = PageItem::Kind::Rectangle;
                }
                break;
            case ObjectDef::Kind::Line:
                item.kind = PageItem::Kind::Line;
                break;
        }
        page.items.push_back(std::move(item));
    }
}

}  // namespace horalia::reports
