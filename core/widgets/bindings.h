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
    // The edit field accepts at most the column's size. On an integer column, text that is
    // not a whole number of the column's width stays in the field as typed but is not written,
    // and a post is refused with a message naming the field (see setCaption).
    static FieldBinding* bind(QLineEdit* edit, Dataset& dataset, const QString& field);
    // Ticked for 1, clear for 0, partly ticked for any other value or no row.
    static FieldBinding* bind(QCheckBox* box, Dataset& dataset, const QString& field);
    // The button with id i stands for values[i].
    static FieldBinding* bind(QButtonGroup* group, Dataset& dataset, const QString& field,
                              const QVariantList& values);

    void show();  // shows the current value again

    // How messages name the control, as its label reads ("Id"); the field's name until set.
    void setCaption(const QString& caption) { caption_ = caption; }
    // Text of an integer field that could not be written; empty when there is none.
    const QString& invalidText() const { return invalidText_; }

private:
    FieldBinding(QObject* control, Dataset& dataset, const QString& field);
    void write(const QVariant& value);
    void writeText(const QString& text);
    void refuseInvalidText();

    QObject* control_;
    Dataset& dataset_;
    QString field_;
    QVariantList values_;
    QString caption_;
    QString invalidText_;
    QVariant valueUnderInvalidText_;  // a change of the row's value replaces the invalid text
    bool showing_ = false;
};

}  // namespace horalia
