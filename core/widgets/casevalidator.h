#pragma once

#include <QValidator>

namespace horalia {

// Turns what is typed into capitals (or small letters) as it is typed: names, NIFs and
// searches are stored and compared in one case.
class CaseValidator : public QValidator {
    Q_OBJECT
public:
    enum class Case { Upper, Lower };
    explicit CaseValidator(Case letterCase, QObject* parent = nullptr)
        : QValidator(parent), case_(letterCase) {}
    State validate(QString& input, int& position) const override;

private:
    Case case_;
};

}  // namespace horalia
