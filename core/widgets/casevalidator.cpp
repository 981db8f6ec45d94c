#include "casevalidator.h"

namespace horalia {

QValidator::State CaseValidator::validate(QString& input, int& /*position*/) const {
    input = case_ == Case::Upper ? input.toUpper() : input.toLower();
    return Acceptable;
}

}  // namespace horalia
