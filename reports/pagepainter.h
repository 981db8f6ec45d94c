#pragma once

#include <QString>

#include "prepared.h"

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace horalia::reports {

// Draws prepared pages. The preview, the printer and the PDF file all go through paint(), so
// what the preview shows is what is printed.
class PagePainter {
public:
    // Draws `page` with the painter's current transformation mapping the pack's pixels
    // (96 an inch) to the device.
    static void paint(QPainter& painter, const PreparedReport& report, int page);

    // Every page on a printer or a PDF writer, one device page per report page, scaled to the
    // device's resolution. The device's page size is set from each page's paper.
    static void paintAll(QPagedPaintDevice& device, const PreparedReport& report);

    // Writes a PDF file, replacing an existing one; throws FileError when it cannot.
    static void exportPdf(const PreparedReport& report, const QString& file);

    static void print(QPrinter& printer, const PreparedReport& report);
};

}  // namespace horalia::reports
