#include "demo.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "errorreport.h"
#include "principal.h"
#include "teclado.h"

namespace horalia {

namespace {
constexpr int kPollMs = 100;
constexpr int kGiveUpMs = 20000;

// Calls `then` once `condition` holds, checking every kPollMs; ends the program if it never
// does.
void when(std::function<bool()> condition, std::function<void()> then, const char* waitingFor,
          QDeadlineTimer deadline = QDeadlineTimer(kGiveUpMs)) {
    if (condition()) {
        then();
        return;
    }
    if (deadline.hasExpired()) {
        std::fprintf(stderr, "horalia: the terminal never got %s\n", waitingFor);
        QCoreApplication::exit(1);
        return;
    }
    QTimer::singleShot(kPollMs, qApp, [=] { when(condition, then, waitingFor, deadline); });
}

void save(Tprincipal& terminal, const QString& file) {
    if (!terminal.grab().save(file)) {
        std::fprintf(stderr, "horalia: cannot write %s\n", qPrintable(file));
        QCoreApplication::exit(1);
        return;
    }
    std::printf("%s\n", qPrintable(file));
    QCoreApplication::exit(0);
}
}  // namespace

void runScreenshotDemo(Tprincipal& terminal, const QString& code, const QString& file) {
    terminal.activateWindow();
    auto ready = [&terminal] {
        return terminal.isActiveWindow() && !terminal.temporizador.isActive() &&
               terminal.Edit1->hasFocus() && terminal.lregistros->text() != QLatin1String("00");
    };
    when(
        ready,
        [&terminal, code, file] {
            if (code.isEmpty()) {
                save(terminal, file);
                return;
            }
            // Typed key by key through the application, as a barcode reader does, ending in Enter.
            for (const QChar c : code) {
                const QChar capital = c.toUpper();
                TouchKeyboard::sendKey(capital.unicode(), QString(c));
            }
            TouchKeyboard::sendKey(Qt::Key_Return, QStringLiteral("\r"));
            when([&terminal] { return terminal.ltexto->isVisible(); },
                 [&terminal, file] { save(terminal, file); }, "to show the result");
        },
        "ready");
}

void installHeadlessReport() {
    ErrorReport::setSink([](const QString& text) {
        std::fprintf(stderr, "horalia: %s\n", qPrintable(text));
        // Queued, so that it also ends a program whose event loop has not started yet.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
    });
}

}  // namespace horalia
