#include "bindings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>

#include <limits>
#include <utility>

#include "dataset.h"
#include "errorreport.h"
#include "errors.h"

namespace horalia {

namespace {
// What a signed integer column of `bits` bits holds; 0 bits means no declared width.
std::pair<qlonglong, qlonglong> integerRange(int bits) {
    if (bits > 0 && bits < 64) {
        return {-(qlonglong(1) << (bits - 1)), (qlonglong(1) << (bits - 1)) - 1};
    }
    return {std::numeric_limits<qlonglong>::min(), std::numeric_limits<qlonglong>::max()};
}
}  // namespace

FieldBinding::FieldBinding(QObject* control, Dataset& dataset, const QString& field)
    : QObject(control), control_(control), dataset_(dataset), field_(field) {
    connect(&dataset_, &Dataset::dataChanged, this, &FieldBinding::show);
    connect(&dataset_, &Dataset::stateChanged, this, &FieldBinding::show);
}

FieldBinding* FieldBinding::bind(QLineEdit* edit, Dataset& dataset, const QString& field) {
    auto* b = new FieldBinding(edit, dataset, field);
    const int f = dataset.fieldIndex(field);
    if (f >= 0 && dataset.fields().at(f).kind == FieldKind::Text &&
        dataset.fields().at(f).size > 0) {
        edit->setMaxLength(dataset.fields().at(f).size);
    }
    connect(edit, &QLineEdit::textEdited, b, &FieldBinding::writeText);
    connect(&dataset, &Dataset::beforePost, b, &FieldBinding::refuseInvalidText);
    b->show();
    return b;
}

FieldBinding* FieldBinding::bind(QCheckBox* box, Dataset& dataset, const QString& field) {
    auto* b = new FieldBinding(box, dataset, field);
    box->setTristate(true);
    connect(box, &QCheckBox::clicked, b, [b] {
        // A click toggles: a partly ticked box becomes ticked.
        const bool ticked = b->dataset_.value(b->field_).toInt() == 1;
        b->write(ticked ? 0 : 1);
        b->show();
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

void FieldBinding::writeText(const QString& text) {
    const int f = dataset_.fieldIndex(field_);
    if (f < 0 || dataset_.fields().at(f).kind != FieldKind::Integer) {
        write(text);
        return;
    }
    // A number is read whole or not at all: "12A" must not reach the row as 12 or 0.
    const QString trimmed = text.trimmed();
    bool ok = true;
    qlonglong number = 0;
    if (!trimmed.isEmpty()) {
        number = trimmed.toLongLong(&ok);
        const auto [low, high] = integerRange(dataset_.fields().at(f).size);
        ok = ok && number >= low && number <= high;
    }
    if (ok) {
        invalidText_.clear();
        write(trimmed.isEmpty() ? QVariant() : QVariant(number));
        return;
    }
    // Set before editing starts, so that the state change does not put the old value back
    // over what the user typed.
    invalidText_ = text;
    valueUnderInvalidText_ = dataset_.isOpen() ? dataset_.value(field_) : QVariant();
    ErrorReport::guard([&] {
        if (dataset_.state() == Dataset::State::Browse) {
            dataset_.edit();
        }
    });
}

void FieldBinding::refuseInvalidText() {
    if (invalidText_.isEmpty()) {
        return;
    }
    const auto [low, high] = integerRange(dataset_.field(field_).size);
    throw UserError(
        QStringLiteral(
            "«%1» no es un valor válido para %2: escriba un número entero entre %3 y %4.")
            .arg(invalidText_, caption_.isEmpty() ? field_ : caption_, QString::number(low),
                 QString::number(high)));
}

void FieldBinding::show() {
    const int f = dataset_.fieldIndex(field_);
    const QVariant v = dataset_.isOpen() && f >= 0 ? dataset_.value(field_) : QVariant();
    if (!invalidText_.isEmpty()) {
        const bool editing = dataset_.isEditing();
        // The typed text stays until the user corrects it, the row's value is changed by
        // another control, or the change is stored or dropped.
        if (editing && v == valueUnderInvalidText_) {
            return;
        }
        invalidText_.clear();
    }
    showing_ = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control_)) {
        const QString text = f >= 0 ? displayText(dataset_.fields().at(f), v) : QString();
        if (edit->text() != text) {
            edit->setText(text);
        }
    } else if (auto* box = qobject_cast<QCheckBox*>(control_)) {
        box->setCheckState(v.isNull()       ? Qt::PartiallyChecked
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
