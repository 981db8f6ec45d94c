#pragma once

#include <QObject>
#include <QStyledItemDelegate>
#include <functional>

class QTableView;

namespace horalia {

class DatasetModel;
struct Field;

// Grid pieces of the time-records window: a data grid over a dataset, the way the office
// expects one to behave.

// An edit mask of the grids' notation ("!90:00:00;1;_": 0 a digit that must be typed, 9 one
// that may be left out, then whether literals are kept and the blank character) as a Qt
// input mask ("09:99:99;_", where the two digit marks mean the opposite).
QString qtInputMask(const QString& mask);

// Edits a cell in a one-line editor with the field's edit mask, and turns the typed text into
// the field's kind: an emptied cell is an empty (null) value, as the database stores it. A
// text that is no time, date or number is reported and leaves the cell as it was.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CellDelegate(DatasetModel& model, QObject* parent = nullptr);

    // Rows whose own background is drawn over the selection highlight too.
    void setOverSelection(std::function<bool(int row)> rows) { overSelection_ = std::move(rows); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    // The value a typed text stands for; false (and a report) when it stands for none.
    static bool parse(const Field& field, const QString& text, QVariant* value);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const Field* fieldOf(const QModelIndex& index) const;

    DatasetModel& model_;
    std::function<bool(int)> overSelection_;
};

// Keeps a grid's current row and its dataset's current row together. Moving to another row in
// the grid moves the dataset, which posts a pending change first; when the post is refused the
// refusal is reported and the grid stays on the row being edited. Esc outside a cell editor
// cancels the pending change.
class GridLink : public QObject {
    Q_OBJECT
public:
    GridLink(QTableView* view, DatasetModel* model);

    // While not following, the grid keeps its row when the dataset moves: a walk over
    // thousands of rows would otherwise scroll the grid once per row, which costs more than
    // the rows' own work. Following again (or sync) puts the grid on the dataset's row.
    void setFollowing(bool following);
    void sync();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewMoved(const QModelIndex& current);
    void datasetMoved();

    QTableView* view_;
    DatasetModel* model_;
    bool syncing_ = false;
    bool following_ = true;
};

// A grid as the window shows it: the model, its column widths, compact rows, the delegate and
// the link. Returns the delegate.
CellDelegate* setupGrid(QTableView* view, DatasetModel* model);

}  // namespace horalia
