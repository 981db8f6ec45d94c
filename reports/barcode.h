#pragma once

#include <QString>
#include <vector>

namespace horalia::reports {

// Code 128 through zxing-cpp. The pack's Code 128 variants (A, B, C, the EAN-128 ones) all
// print as plain Code 128 chosen by the encoder: a card's NIF is then read back by the
// terminal's scanner as exactly the NIF, with no application identifier in front.
class Barcode {
public:
    // The modules (true = bar), no quiet zone; empty when the text cannot be encoded (a
    // character outside ASCII, an empty text) or the type is not one the engine draws.
    static std::vector<bool> code128(const QString& text);
    static bool supports(const QString& barType);
};

}  // namespace horalia::reports
