#pragma once

#include <QString>
#include <QVariant>
#include <functional>

#include "reporttemplate.h"

namespace horalia::reports {

// What an expression can refer to while a band is being laid out. The layout engine fills it.
struct ExpressionScope {
    // A field of a data set on its current row; nullopt when the data set or field is unknown.
    std::function<std::optional<QVariant>(const QString& dataSet, const QString& field)> field;
    // A variable's own expression text; nullopt when there is no such variable.
    std::function<std::optional<QString>(const QString& name)> variable;
    // COUNT(band), SUM(expr, band) and the like; nullopt when the band is unknown.
    std::function<std::optional<QVariant>(const QString& function, const QString& argument,
                                          const QString& band)>
        aggregate;
    int page = 1;
    // The total number of pages is known only at the end: it stands as this mark until then.
    static QString totalPagesMark() { return QStringLiteral("\x01TP\x01"); }
};

// Evaluates what the pack writes between square brackets: data fields (frxDBDataset1."nombre",
// also inside < >), variables, text in single quotes, numbers, aggregates and the page
// numbers. Unknown names leave the text as it was written, so a template error shows on paper
// instead of stopping the report.
class Expression {
public:
    static std::optional<QVariant> evaluate(const QString& expression, const ExpressionScope& scope,
                                            int depth = 0);

    // A memo's text with every [ ] expression replaced by its value, formatted by the memo's
    // display format.
    static QString expand(const QString& text, const DisplayFormat& format,
                          const ExpressionScope& scope);

    // A value as a report shows it.
    static QString format(const QVariant& value, const DisplayFormat& format);

    // "Desde: 04/03/2024" -> "'Desde: 04/03/2024'": the form in which the pack takes a text
    // variable, a quote inside doubled.
    static QString quoted(const QString& text);
};

}  // namespace horalia::reports
