#pragma once

#include <QString>

namespace horalia {

class Tprincipal;

// The headless check of a station: once the terminal is ready, types `code` (if any) as a
// worker would, waits until the result is on screen, saves a picture of the window to `file`
// and ends the program (exit code 0, or 1 when the terminal never got there).
void runScreenshotDemo(Tprincipal& terminal, const QString& code, const QString& file);

// With nobody to close a message box, every message of the headless check is printed and
// ends the program with exit code 1.
void installHeadlessReport();

}  // namespace horalia
