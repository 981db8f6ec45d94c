#include "rejilla.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>

#include "clock.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "errorreport.h"
#include "field.h"

namespace horalia {

QString qtInputMask(const QString& mask) {
    const QStringList parts = mask.split(QLatin1Char(';'));
    QString out;
    for (const QChar c : parts.value(0)) {
        if (c == QLatin1Char('!')) {
            continue;  // blanks are dropped from the value anyway
        }
        out += c == QLatin1Char('0')   ? QLatin1Char('9')
               : c == QLatin1Char('9') ? QLatin1Char('0')
                                       : c;
    }
    const QString blank = parts.value(2);
    return out + QLatin1Char(';') + (blank.isEmpty() ? QStringLiteral(" ") : blank.left(1));
}

// --- CellDelegate ----------------------------------------------------------------------------

CellDelegate::CellDelegate(DatasetModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

const Field* CellDelegate::fieldOf(const QModelIndex& index) const {
    if (!index.isValid() || index.column() >= model_.columns().size()) {
        return nullptr;
    }
    const int f = model_.dataset().fieldIndex(model_.columns().at(index.column()).field);
    return f < 0 ? nullptr : &model_.dataset().fields().at(f);
}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
    if (const Field* f = fieldOf(index)) {
        if (!f->editMask.isEmpty()) {
            edit->setInputMask(qtInputMask(f->editMask));
        } else if (f->kind == FieldKind::Text && f->size > 0) {
            edit->setMaxLength(f->size);
        }
    }
    Q_UNUSED(option);
    return edit;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    const Field* f = fieldOf(index);
    if (!edit || !f) {
        return;
    }
    const QVariant v = index.data(Qt::EditRole);
    QString text;
    if (!v.isNull() && v.isValid()) {
        switch (f->kind) {
            case FieldKind::Time:
                text = v.toTime().toString(QStringLiteral("hh:mm:ss"));
                break;
            case FieldKind::Date:
                text = v.toDate().toString(QStringLiteral("dd/MM/yy"));
                break;
            case FieldKind::Float:
                text = QLocale().toString(v.toDouble(), 'g', 15);
                break;
            default:
                text = v.toString();
                break;
        }
    }
    edit->setText(text);
}

bool CellDelegate::parse(const Field& field, const QString& typed, QVariant* value) {
    QString text = typed.trimmed();
    bool hasDigit = false;
    for (const QChar c : text) {
        hasDigit = hasDigit || c.isDigit();
    }
    // A masked editor left blank still holds its separators.
    if (text.isEmpty() || (!field.editMask.isEmpty() && !hasDigit)) {
        *value = QVariant();
        return true;
    }
    switch (field.kind) {
        case FieldKind::Time: {
            text.remove(QLatin1Char(' '));
            QTime t = QTime::fromString(text, QStringLiteral("h:m:s"));
            if (!t.isValid()) {
                t = QTime::fromString(text, QStringLiteral("h:m"));
            }
            if (!t.isValid()) {
                ErrorReport::show(QStringLiteral("'%1' no es una hora válida").arg(typed));
                return false;
            }
            *value = t;
            return true;
        }
        case FieldKind::Date: {
            text.remove(QLatin1Char(' '));
            const QStringList parts = text.split(QLatin1Char('/'));
            bool okDay = false, okMonth = false, okYear = false;
            const int day = parts.value(0).toInt(&okDay);
            const int month = parts.value(1).toInt(&okMonth);
            int year = parts.value(2).toInt(&okYear);
            // Two-digit years fall within fifty years of today, either way.
            if (okYear && parts.value(2).size() <= 2) {
                const int now = Clock::today().year();
                year += now - now % 100;
                if (year > now + 50) {
                    year -= 100;
                } else if (year <= now - 50) {
                    year += 100;
                }
            }
            const QDate d(year, month, day);
            if (parts.size() != 3 || !okDay || !okMonth || !okYear || !d.isValid()) {
                ErrorReport::show(QStringLiteral("'%1' no es una fecha válida").arg(typed));
                return false;
            }
            *value = d;
            return true;
        }
        case FieldKind::Float: {
            bool ok = false;
            double d = QLocale().toDouble(text, &ok);
            if (!ok) {
                d = QLocale::c().toDouble(text, &ok);
            }
            if (!ok) {
                ErrorReport::show(QStringLiteral("'%1' no es un valor numérico válido").arg(typed));
                return false;
            }
            *value = d;
            return true;
        }
        case FieldKind::Integer: {
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (!ok) {
                ErrorReport::show(QStringLiteral("'%1' no es un valor entero válido").arg(typed));
                return false;
            }
            *value = n;
            return true;
        }
        case FieldKind::DateTime:
        case FieldKind::Text:
            break;
    }
    *value = typed;
    return true;
}

void CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    const Field* f = fieldOf(index);
    if (!edit || !f) {
        return;
    }
    // Leaving a cell without typing changes nothing: the row is not put into edit.
    if (!edit->isModified()) {
        return;
    }
    QVariant value;
    if (!parse(*f, edit->text(), &value)) {
        return;
    }
    const QVariant old = index.data(Qt::EditRole);
    const bool bothNull = (old.isNull() || !old.isValid()) && !value.isValid();
    if (bothNull || (value.isValid() && !old.isNull() && normalise(f->kind, value) == old)) {
        return;
    }
    model->setData(index, value, Qt::EditRole);
}

void CellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (overSelection_ && overSelection_(index.row())) {
        option->state &= ~QStyle::State_Selected;
    }
}

// --- GridLink --------------------------------------------------------------------------------

GridLink::GridLink(QTableView* view, DatasetModel* model)
    : QObject(view), view_(view), model_(model) {
    Dataset& dataset = model->dataset();
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { viewMoved(current); });
    connect(&dataset, &Dataset::currentRowChanged, this, &GridLink::datasetMoved);
    connect(model, &QAbstractItemModel::modelReset, this, &GridLink::datasetMoved);
    connect(model, &QAbstractItemModel::rowsInserted, this, &GridLink::datasetMoved);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &GridLink::datasetMoved);
    view->installEventFilter(this);
}

void GridLink::viewMoved(const QModelIndex& current) {
    Dataset& dataset = model_->dataset();
    if (syncing_ || !current.isValid() || !dataset.isOpen() ||
        current.row() == dataset.currentRow()) {
        return;
    }
    ErrorReport::guard([&] { dataset.setCurrentRow(current.row()); });
    // A refused post keeps the dataset on the row being edited: so does the grid.
    if (dataset.currentRow() != current.row()) {
        datasetMoved();
    }
}

void GridLink::setFollowing(bool following) {
    following_ = following;
    if (following_) {
        sync();
    }
}

void GridLink::sync() {
    const bool following = following_;
    following_ = true;
    datasetMoved();
    following_ = following;
}

void GridLink::datasetMoved() {
    if (syncing_ || !following_) {
        return;
    }
    syncing_ = true;
    const int row = model_->dataset().currentRow();
    if (row < 0 || row >= model_->rowCount()) {
        view_->selectionModel()->clearCurrentIndex();
    } else {
        const int column = std::max(0, view_->currentIndex().column());
        const QModelIndex index = model_->index(row, std::min(column, model_->columnCount() - 1));
        view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        // A hidden grid (the other view of the same rows) has nothing to scroll.
        if (view_->isVisible()) {
            view_->scrollTo(index);
        }
    }
    syncing_ = false;
}

bool GridLink::eventFilter(QObject* watched, QEvent* event) {
    // While a cell editor is open the keys go to it, and Esc only closes it.
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Dataset& dataset = model_->dataset();
        if (dataset.isEditing()) {
            dataset.cancel();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

CellDelegate* setupGrid(QTableView* view, DatasetModel* model) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    view->setWordWrap(false);
    view->setAlternatingRowColors(false);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setMinimumSectionSize(10);
    const auto& columns = model->columns();
    for (int c = 0; c < columns.size(); ++c) {
        if (columns.at(c).width > 0) {
            view->horizontalHeader()->resizeSection(c, columns.at(c).width);
        }
    }
    auto* delegate = new CellDelegate(*model, view);
    view->setItemDelegate(delegate);
    new GridLink(view, model);
    return delegate;
}

}  // namespace horalia
