#pragma once

class QWidget;

namespace horalia {

// Puts a window in the middle of the screen it is on, as the office windows open.
void centreOnScreen(QWidget& window);

}  // namespace horalia
