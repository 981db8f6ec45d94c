#pragma once

#include <QMap>
#include <QString>
#include <functional>
#include <map>

#include "prepared.h"
#include "reportdataset.h"
#include "reporttemplate.h"

class QWidget;

namespace horalia::reports {

// A window's report object: cleared, loaded from a template file, given data sets, variables
// and a document name, then prepared and shown in the preview. Between two uses it holds
// nothing but the data sets the window registered (they belong to the window, as its own
// components).
class Report {
public:
    // What showing a prepared report does. The default opens the modal preview window; tests
    // install a hook that keeps the report instead, so nothing blocks.
    using PreviewHook = std::function<void(const PreparedReport& report, QWidget* parent)>;
    static PreviewHook setPreviewHook(PreviewHook hook);  // returns the previous one

    void registerDataset(ReportDataset* set);

    // Drops the template, the variables, the document name and the prepared pages.
    void clear();
    // A missing file is no error: the report stays empty and false is returned. A file that
    // is not a template throws FileError.
    bool loadFromFile(const QString& path);
    bool isEmpty() const { return template_.pages.empty(); }

    // `expression` as the pack takes it: text in single quotes (see Expression::quoted).
    void setVariable(const QString& name, const QString& expression);
    QString variable(const QString& name) const { return variables_.value(name); }

    void setFileName(const QString& name) { fileName_ = name; }
    QString fileName() const { return fileName_; }

    // Where relative picture paths of templates start (the installation folder).
    void setBaseDir(const QString& dir) { baseDir_ = dir; }

    const PreparedReport& prepare();
    // Prepares afresh and shows the preview; returns when it is closed.
    void showReport(QWidget* parent = nullptr);
    const PreparedReport& prepared() const { return prepared_; }

private:
    std::map<QString, ReportDataset*> dataSets_;
    ReportTemplate template_;
    QString missing_;
    QMap<QString, QString> variables_;
    QString fileName_;
    QString baseDir_;
    PreparedReport prepared_;
};

}  // namespace horalia::reports
