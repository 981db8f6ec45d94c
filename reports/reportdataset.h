#pragma once

#include <QString>
#include <QVariant>

namespace horalia {
class Dataset;
}

namespace horalia::reports {

// A window's dataset as a report sees it, under the name templates use ("frxDBDataset1"). The
// binding can change between two reports; the report reads the rows the dataset holds at the
// moment it is prepared, by position, so the window's current row never moves.
class ReportDataset {
public:
    explicit ReportDataset(const QString& userName) : userName_(userName) {}

    const QString& userName() const { return userName_; }
    void setSource(const Dataset* source) { source_ = source; }
    const Dataset* source() const { return source_; }
    // Only the source's current row (the one being edited), instead of every row it holds.
    void setCurrentRowOnly(bool only) { currentRowOnly_ = only; }

    int rowCount() const;
    // Case-insensitive, as the pack's field names are; -1 when the field is not there.
    int fieldIndex(const QString& field) const;
    QVariant value(int row, int field) const;

private:
    QString userName_;
    const Dataset* source_ = nullptr;
    bool currentRowOnly_ = false;
};

}  // namespace horalia::reports
