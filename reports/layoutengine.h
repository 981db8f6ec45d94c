#pragma once

#include <QMap>
#include <QString>
#include <map>
#include <unordered_map>

#include "expression.h"
#include "prepared.h"
#include "reportdataset.h"
#include "reporttemplate.h"

namespace horalia::reports {

// Lays a template out over the data: title, page header, each master band once per row of its
// data set (with its header and footer), summary, page footer at the foot of every page; a
// band that does not fit goes to a new page. Aggregates (COUNT, SUM, ...) are taken over the
// rows of the band they name; in a group footer, over the rows of that group.
class LayoutEngine {
public:
    // `dataSets` by user name; `baseDir` resolves relative picture paths.
    LayoutEngine(const ReportTemplate& report, const std::map<QString, ReportDataset*>& dataSets,
                 const QMap<QString, QString>& variables, const QString& baseDir);

    PreparedReport run();

private:
    void layOutPage(const PageDef& page);
    // A master band with the group headers before it and the group footers after it.
    void layOutData(const BandDef& master, const std::vector<const BandDef*>& groupHeaders,
                    const std::vector<const BandDef*>& groupFooters);
    // The first page and every page a band overflows onto start alike; startPage() then
    // repeats the headers.
    void addPage();
    void startPage();
    void finishPage();
    void place(const BandDef& band, bool data = true);
    void put(const BandDef& band, double top, int line);
    int styleFor(const ObjectDef& object);
    const ReportDataset* dataSet(const QString& name) const;
    // The field on the data set's current row; nullopt when no window supplies the data set.
    std::optional<QVariant> fieldValue(const QString& dataSet, const QString& field) const;
    std::optional<QVariant> aggregate(const QString& function, const QString& argument,
                                      const QString& bandName);
    QString resolvePath(const QString& path) const;

    const ReportTemplate& template_;
    std::map<QString, const ReportDataset*> dataSets_;  // by lower-case name
    const QMap<QString, QString>& variables_;
    QString baseDir_;
    ExpressionScope scope_;

    PreparedReport out_;
    std::unordered_map<const ObjectDef*, int> styles_;
    std::map<QString, int> currentRow_;  // lower-case data set name -> row
    std::map<QString, int> printed_;     // lower-case band name -> rows printed
    const PageDef* page_ = nullptr;
    const BandDef* pageHeader_ = nullptr;
    const BandDef* pageFooter_ = nullptr;
    const BandDef* lastMaster_ = nullptr;
    const BandDef* repeatedHeader_ = nullptr;
    std::vector<const BandDef*> openGroups_;  // group headers of the groups under way
    int aggregateFrom_ = 0;  // aggregates take the rows from here: a group footer's own group
    QMarginsF margins_;
    double usableHeight_ = 0;
    double y_ = 0;
    bool bodyOnPage_ = false;
    bool reprinting_ = false;   // placing the headers a new page repeats
    bool aggregating_ = false;  // evaluating an aggregate's argument over the rows
    int line_ = 0;
    std::vector<std::pair<size_t, size_t>> deferred_;  // items waiting for the page total
};

}  // namespace horalia::reports
