#include "bindings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>

#include "dataset.h"
#include "errorreport.h"

namespace horalia {

FieldBinding::FieldBinding(QObject* control, Dataset& dataset, const QString& field)
    : QObject(control), control_(control), dataset_(dataset), field_(field) {
    connect(&dataset_, &Dataset::dataChanged, this, &FieldBinding::show);
    connect(&dataset_, &Dataset::stateChanged, this, &FieldBinding::show);
}

FieldBinding* FieldBinding::bind(QLineEdit* edit, Dataset& dataset, const QString& field) {
    auto* b = new FieldBinding(edit, dataset, field);
    const int f = dataset.fieldIndex(field);
    if (f >= 0 && dataset.fields().at(f).kind == FieldKind::Text && dataset.fields().at(f).size > 0) {
        edit->setMaxLength(dataset.fields().at(f).size);
    }
    connect(edit, &QLineEdit::textEdited, b, [b](const QString& text) { b->write(text); });
    b->show();
    return b;
}

FieldBinding* FieldBinding::bind(QCheckBox* box, Dataset& dataset, const QString& field) {
    auto* b = new FieldBinding(box, dataset, field);
    box->setTristate(true);
    connect(box, &QCheckBox::clicked, b, [b, box] {
        // A click toggles: a partly ticked box becomes ticked.
        const bool ticked = b->dataset_.value(b->field_).toInt() == 1 &&
                            !b->dataset_.value(b->field_).isNull();
        b->write(ticked ? 0 : 1);
        b->show();
        Q_UNUSED(box);
    });
    b->show();
    return b;
}

FieldBinding* FieldBinding::bind(QButtonGroup* group, Dataset& dataset, const QString& field,
                                 const QVariantList& values) {
    auto* b = new FieldBinding(group, dataset, field);
    b->values_ = values;
    connect(group, &QButtonGroup::idClicked, b, [b](int id) { b->write(b->values_.value(id)); });
    b->show();
    return b;
}

void FieldBinding::write(const QVariant& value) {
    if (showing_) {
        return;
    }
    ErrorReport::guard([&] {
        if (dataset_.state() == Dataset::State::Browse) {
            dataset_.edit();
        }
        dataset_.setValue(field_, value);
    });
}

void FieldBinding::show() {
    showing_ = true;
    const QVariant v = dataset_.isOpen() && dataset_.fieldIndex(field_) >= 0
                           ? dataset_.value(field_)
                           : QVariant();
    if (auto* edit = qobject_cast<QLineEdit*>(control_)) {
        const int f = dataset_.fieldIndex(field_);
        const QString text = f >= 0 ? displayText(dataset_.fields().at(f), v) : QString();
        if (edit->text() != text) {
            edit->setText(text);
        }
    } else if (auto* box = qobject_cast<QCheckBox*>(control_)) {
        box->setCheckState(v.isNull() ? Qt::PartiallyChecked
                           : v.toInt() == 1 ? Qt::Checked
                           : v.toInt() == 0 ? Qt::Unchecked
                                            : Qt::PartiallyChecked);
    } else if (auto* group = qobject_cast<QButtonGroup*>(control_)) {
        const int id = v.isNull() ? -1 : int(values_.indexOf(v));
        if (id < 0) {
            group->setExclusive(false);
            for (QAbstractButton* button : group->buttons()) {
                button->setChecked(false);
            }
            group->setExclusive(true);
        } else if (QAbstractButton* button = group->button(id)) {
            button->setChecked(true);
        }
    }
    showing_ = false;
}

}  // namespace horalia
