#include "report.h"

#include <QFileInfo>

#include "layoutengine.h"
#include "reportpreview.h"
#include "templatereader.h"

namespace horalia::reports {

namespace {

Report::PreviewHook& previewHook() {
    static Report::PreviewHook hook;
    return hook;
}

}  // namespace

Report::PreviewHook Report::setPreviewHook(PreviewHook hook) {
    return std::exchange(previewHook(), std::move(hook));
}

void Report::registerDataset(ReportDataset* set) {
    dataSets_[set->userName()] = set;
}

void Report::clear() {
    template_ = {};
    missing_.clear();
    variables_.clear();
    fileName_.clear();
    prepared_ = {};
}

bool Report::loadFromFile(const QString& path) {
    template_ = {};
    missing_.clear();
    if (!QFileInfo(path).isFile()) {
        missing_ = path;
        return false;
    }
    template_ = TemplateReader::readFile(path);
    return true;
}

void Report::setVariable(const QString& name, const QString& expression) {
    variables_.insert(name, expression);
}

const PreparedReport& Report::prepare() {
    prepared_ = LayoutEngine(template_, dataSets_, variables_, baseDir_).run();
    prepared_.documentName = fileName_;
    prepared_.missingTemplate = missing_;
    return prepared_;
}

void Report::showReport(QWidget* parent) {
    prepare();
    if (previewHook()) {
        previewHook()(prepared_, parent);
        return;
    }
    ReportPreview preview(prepared_, parent);
    preview.exec();
}

}  // namespace horalia::reports
