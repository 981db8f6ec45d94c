#include "datasetmodel.h"

#include "dataset.h"
#include "errorreport.h"

namespace horalia {

DatasetModel::DatasetModel(Dataset& dataset, const QList<Column>& columns, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset), columns_(columns) {
    connect(&dataset_, &Dataset::rowsAboutToReset, this, [this] { beginResetModel(); });
    connect(&dataset_, &Dataset::rowsReset, this, [this] { endResetModel(); });
    connect(&dataset_, &Dataset::rowAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(&dataset_, &Dataset::rowInserted, this, [this] { endInsertRows(); });
    connect(&dataset_, &Dataset::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(&dataset_, &Dataset::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&dataset_, &Dataset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0) {
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        }
    });
}

void DatasetModel::setColumnTitle(int column, const QString& title) {
    columns_[column].title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : dataset_.recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

int DatasetModel::fieldOf(int column) const {
    return dataset_.fieldIndex(columns_.at(column).field);
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    if (styler_) {
        const QVariant styled = styler_(index.row(), index.column(), role);
        if (styled.isValid()) {
            return styled;
        }
    }
    const int f = fieldOf(index.column());
    if (f < 0) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return displayText(dataset_.fields().at(f), dataset_.value(index.row(), f));
        case Qt::EditRole:
            return dataset_.value(index.row(), f);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(columns_.at(index.column()).alignment);
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return columns_.at(section).title;
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(columns_.at(section).titleAlignment);
    }
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid()) {
        return flags;
    }
    const int f = fieldOf(index.column());
    if (!readOnly_ && !dataset_.isReadOnly() && f >= 0 && !columns_.at(index.column()).readOnly &&
        !dataset_.fields().at(f).readOnly) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const QString field = columns_.at(index.column()).field;
    // A model must not throw into the view: a refused change is reported and dropped.
    return ErrorReport::guard([&] {
        dataset_.setCurrentRow(index.row());
        dataset_.edit();
        dataset_.setValue(field, value);
    });
}

}  // namespace horalia
