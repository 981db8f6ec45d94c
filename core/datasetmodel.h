#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <functional>

namespace horalia {

class Dataset;

// Shows a dataset in a QTableView: one column per listed field, with its title, alignment and
// the field's display format. Editing a cell puts the dataset into edit state on that row;
// the change is stored when the dataset posts (leaving the row, or an explicit post).
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        int width = -1;  // pixels; -1 leaves the view's default
        bool readOnly = false;
    };
    // Extra roles (colours, fonts) for a cell; return an invalid QVariant for the default.
    using Styler = std::function<QVariant(int row, int column, int role)>;

    DatasetModel(Dataset& dataset, const QList<Column>& columns, QObject* parent = nullptr);

    Dataset& dataset() const { return dataset_; }
    const QList<Column>& columns() const { return columns_; }
    void setColumnTitle(int column, const QString& title);
    void setStyler(Styler styler) { styler_ = std::move(styler); }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    int fieldOf(int column) const;

    Dataset& dataset_;
    QList<Column> columns_;
    Styler styler_;
    bool readOnly_ = false;
};

}  // namespace horalia
