#pragma once

#include <QString>

#include "reporttemplate.h"

class QXmlStreamReader;

namespace horalia::reports {

// Reads a template file of the report pack's XML format: the elements and attributes the
// engine supports, by their own names; everything else is skipped, so templates made with the
// full pack load too. A file that is not XML, or XML of another kind, throws FileError with a
// Spanish text naming the file.
class TemplateReader {
public:
    static ReportTemplate readFile(const QString& path);
    static ReportTemplate readText(const QByteArray& xml, const QString& nameForMessages);

private:
    static PageDef readPage(QXmlStreamReader& xml);
    static BandDef readBand(QXmlStreamReader& xml, BandDef::Kind kind);
    static void readObject(QXmlStreamReader& xml, BandDef& band);
};

}  // namespace horalia::reports
