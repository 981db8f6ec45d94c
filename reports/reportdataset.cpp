#include "reportdataset.h"

#include "dataset.h"

namespace horalia::reports {

int ReportDataset::rowCount() const {
    if (!source_ || !source_->isOpen()) {
        return 0;
    }
    if (currentRowOnly_) {
        return source_->currentRow() >= 0 ? 1 : 0;
    }
    return source_->recordCount();
}

int ReportDataset::fieldIndex(const QString& field) const {
    return source_ ? source_->fieldIndex(field) : -1;
}

QVariant ReportDataset::value(int row, int field) const {
    if (!source_) {
        return {};
    }
    return source_->value(currentRowOnly_ ? source_->currentRow() : row, field);
}

}  // namespace horalia::reports
