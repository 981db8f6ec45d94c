#include "clock.h"

#include <memory>

namespace horalia {

namespace {
std::unique_ptr<Clock>& slot() {
    static std::unique_ptr<Clock> c;
    return c;
}
}  // namespace

Clock& Clock::instance() {
    static Clock system;
    return slot() ? *slot() : system;
}

void Clock::setInstance(Clock* clock) { slot().reset(clock); }

}  // namespace horalia
