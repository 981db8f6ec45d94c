#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "field.h"

class QSqlQuery;
class QSqlRecord;

namespace horalia {

class Connection;

// A query over the station's connection, as the windows use it: replaceable SQL text with
// named parameters, a declared list of columns checked at open, a buffer of rows with a
// current row, edit/insert/post/cancel/delete writing one row at a time through the table's
// key, master/detail ties, a filter, and notifications.
//
// Failures throw DatabaseError (or UserError). Notification handlers are called directly
// (connect them with direct connections) and may throw too: the error reaches whoever called
// the operation, as a failure of that operation.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)
    using Row = QVector<QVariant>;
    using Filter = std::function<bool(const Dataset& dataset, const Row& row)>;

    Dataset(Connection& connection, const QString& name, QObject* parent = nullptr);
    ~Dataset() override;

    Connection& connection() const { return connection_; }

    // --- Statement -----------------------------------------------------------------------
    QString sql() const { return sql_; }
    void setSql(const QString& sql);  // only while closed
    // Named parameters (":centro") are replaced by their values, escaped by the driver.
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const;
    // The statement text sent to the server at the last open or refresh.
    QString lastStatement() const { return lastStatement_; }

    // --- Columns ---------------------------------------------------------------------------
    // With no declared columns the dataset takes whatever the statement returns.
    void setFields(const QList<Field>& fields);
    const QList<Field>& fields() const { return fields_; }
    int fieldIndex(const QString& name) const;  // case-insensitive; -1 when unknown
    const Field& field(const QString& name) const;

    // Where posts and deletes go; no table means read-only.
    void setUpdateTable(const QString& table, const QStringList& keyFields);
    bool isReadOnly() const { return table_.isEmpty(); }

    // --- Master/detail -----------------------------------------------------------------------
    // The detail then holds only the rows whose detail fields equal the master's fields on
    // the master's current row, and follows that row.
    void setMasterLink(Dataset* master, const QStringList& masterFields,
                       const QStringList& detailFields);
    // Cut (false) and restore (true) the tie at run time; an open detail is re-read.
    void setMasterLinkActive(bool active);
    bool masterLinkActive() const { return master_ && linkActive_; }

    // --- Filter ------------------------------------------------------------------------------
    void setFilter(Filter filter);  // applied at once when open
    void clearFilter() { setFilter({}); }

    // --- Life cycle ----------------------------------------------------------------------------
    void open();
    void close();
    // Runs the statement again and keeps the current row where it still exists. When the
    // statement fails, the rows read before stay, with their current row, and the error is
    // thrown: a view over them goes on showing the last good read.
    void refresh();
    // Reads the rows afresh with the present parameters: a refresh when open, else an open.
    void requery();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    // A row is being changed or entered: a post or a cancel is pending.
    bool isEditing() const { return state_ == State::Edit || state_ == State::Insert; }

    int recordCount() const { return int(view_.size()); }
    bool isEmpty() const { return view_.empty(); }
    int currentRow() const { return current_; }  // -1 when empty
    void setCurrentRow(int row);                 // posts a pending change first
    void first() { setCurrentRow(0); }
    void last() { setCurrentRow(recordCount() - 1); }
    void next();
    void prior();
    bool eof() const { return current_ < 0 || current_ >= recordCount() - 1; }
    // Makes the first row whose fields equal `values` current; false (and no move) if none.
    bool locate(const QStringList& fieldNames, const QVariantList& values);

    // The current row's value (the edit buffer while editing); null when there is no row.
    QVariant value(const QString& fieldName) const;
    QVariant value(int row, int field) const;
    void setValue(const QString& fieldName, const QVariant& value);
    bool isModified() const { return modified_; }

    // --- Editing -------------------------------------------------------------------------------
    void append();
    void edit();
    void post();
    void cancel();
    void remove();
    // Posts a pending edit or insert; nothing in browse state.
    void checkBrowseMode();

signals:
    void beforeOpen();
    void afterOpen();
    void afterClose();
    void beforePost();
    void afterPost();
    void afterDelete();
    void stateChanged(horalia::Dataset::State state);
    // The current row moved or its values changed: bound controls show it again.
    void dataChanged();
    // For table models.
    void rowsAboutToReset();
    void rowsReset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentRowChanged(int row);

private:
    void requireOpen(const char* operation) const;
    void requireWritable() const;
    void setState(State state);
    void load();  // runs the statement into the buffer
    QString buildStatement() const;
    QString substituteParams(const QString& sql) const;
    void checkColumns(const QSqlRecord& record);
    void applyFilter();
    // load() for a new master row; a failure leaves no rows (and ends the model's reset).
    void loadForMaster();
    void masterChanged();
    void notifyDetails();
    Row& currentBufferRow();
    const Row& currentBufferRow() const;
    void postInsert();
    void postUpdate();
    QVariantList keyValues(const Row& row) const;

    Connection& connection_;
    QString sql_;
    QString lastStatement_;
    std::map<QString, QVariant> params_;
    QList<Field> fields_;
    bool declaredFields_ = false;
    QString table_;
    QStringList keyFields_;

    Dataset* master_ = nullptr;
    QStringList masterFields_;
    QStringList detailFields_;
    bool linkActive_ = true;
    std::vector<Dataset*> details_;

    Filter filter_;

    State state_ = State::Inactive;
    std::vector<Row> buffer_;  // every row read (plus appended ones)
    std::vector<int> view_;    // buffer rows shown, in order, after the filter and deletions
    int current_ = -1;
    Row editRow_;  // edit buffer while editing or inserting
    // Write statements prepared once: a run of posts of the same shape (punches, a bulk
    // adjustment) costs one round trip each instead of two. Tied to the client link they were
    // prepared on, so a reconnection prepares them afresh.
    QSqlQuery& prepared(const QString& statement);
    void forgetPrepared(const QString& statement);
    std::map<QString, std::unique_ptr<QSqlQuery>> prepared_;
    quint64 preparedLink_ = 0;
    std::set<int> assigned_;  // fields given a value since edit/append began
    bool modified_ = false;
};

}  // namespace horalia
