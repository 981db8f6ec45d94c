#include "errorreport.h"

#include <QDebug>
#include <exception>

#include "errors.h"

namespace horalia {

namespace {
ErrorReport::Sink& sink() {
    static ErrorReport::Sink s;
    return s;
}
}  // namespace

ErrorReport::Sink ErrorReport::setSink(Sink s) {
    Sink previous = std::move(sink());
    sink() = std::move(s);
    return previous;
}

void ErrorReport::show(const QString& text) {
    if (sink()) {
        sink()(text);
    } else {
        qWarning().noquote() << text;
    }
}

bool ErrorReport::guard(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const UserError& e) {
        show(e.text());
    } catch (const std::exception& e) {
        show(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace horalia
