#pragma once

#include <QString>

namespace horalia {

// Routes the error report and every plain message of the program into a one-button
// message box over the active window.
void installMessageBoxReport();

}  // namespace horalia
