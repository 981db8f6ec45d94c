#include "placement.h"

#include <QScreen>
#include <QWidget>

namespace horalia {

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
}

}  // namespace horalia
