#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace horalia {

class Dataset;

// Keeps a control showing a field of a dataset's current row and writes what the user
// changes into the dataset, putting it into edit state first. Storing stays the dataset's
// (post). Bindings live as children of the control.
class FieldBinding : public QObject {
    Q_OBJECT
public:
    // The edit field accepts at most the column's size.
    static FieldBinding* bind(QLineEdit* edit, Dataset& dataset, const QString& field);
    // Ticked for 1, clear for 0, partly ticked for any other value or no row.
    static FieldBinding* bind(QCheckBox* box, Dataset& dataset, const QString& field);
    // The button with id i stands for values[i].
    static FieldBinding* bind(QButtonGroup* group, Dataset& dataset, const QString& field,
                              const QVariantList& values);

    void show();  // shows the current value again

private:
    FieldBinding(QObject* control, Dataset& dataset, const QString& field);
    void write(const QVariant& value);

    QObject* control_;
    Dataset& dataset_;
    QString field_;
    QVariantList values_;
    bool showing_ = false;
};

}  // namespace horalia
