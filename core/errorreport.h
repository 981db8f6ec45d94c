#pragma once

#include <QString>
#include <functional>

namespace horalia {

// The program-wide report of a failure that a handler did not handle itself, and the plain
// one-button message boxes that handlers show on purpose. Both reach the user through one
// sink: the widgets layer installs a message box, tests install a recorder.
class ErrorReport {
public:
    using Sink = std::function<void(const QString&)>;

    // Returns the previous sink so a test can put it back.
    static Sink setSink(Sink sink);
    static void show(const QString& text);

    // Runs `step`; an exception it throws is reported and swallowed, so it never crosses the
    // event loop. Returns false when the step failed.
    static bool guard(const std::function<void()>& step);
};

}  // namespace horalia
