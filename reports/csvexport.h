#pragma once

#include <QString>

#include "prepared.h"

namespace horalia::reports {

// A prepared report as CSV: one line per printed band (page headers and footers, which repeat
// on every page, are left out), its texts from left to right, separated by ";". A field is
// quoted only when it must be (it holds ";", a quote or a line break). The file is written in
// Latin-1, the 8-bit form the station's spreadsheets expect, and an existing file is replaced.
class CsvExport {
public:
    static QByteArray toCsv(const PreparedReport& report);
    static void write(const PreparedReport& report, const QString& file);  // throws FileError
};

}  // namespace horalia::reports
