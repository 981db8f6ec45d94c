#include "barcode.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <exception>

namespace horalia::reports {

bool Barcode::supports(const QString& barType) {
    return barType.isEmpty() || barType.startsWith(QLatin1String("bcCode128")) ||
           barType.startsWith(QLatin1String("bcCodeEAN128"));
}

std::vector<bool> Barcode::code128(const QString& text) {
    std::vector<bool> modules;
    if (text.isEmpty()) {
        return modules;
    }
    for (const QChar c : text) {
        if (c.unicode() > 127) {
            return modules;
        }
    }
    try {
        ZXing::MultiFormatWriter writer(ZXing::BarcodeFormat::Code128);
        writer.setMargin(0);
        const ZXing::BitMatrix matrix = writer.encode(text.toStdString(), 0, 1);
        modules.reserve(size_t(matrix.width()));
        for (int x = 0; x < matrix.width(); ++x) {
            modules.push_back(matrix.get(x, 0));
        }
    } catch (const std::exception&) {
        modules.clear();
    }
    return modules;
}

}  // namespace horalia::reports
