#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace horalia {

// All reads of today and now go through here, so that tests can put the station at any
// moment (23:59:58, a Saturday) without waiting for it.
class Clock {
public:
    virtual ~Clock() = default;
    static QDateTime currentDateTime() { return instance().now(); }
    static QDate today() { return currentDateTime().date(); }
    static QTime currentTime() { return currentDateTime().time(); }

    // Takes ownership; nullptr restores the system clock.
    static void setInstance(Clock* clock);

protected:
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }

private:
    static Clock& instance();
};

// A clock that stands still at a set moment until a test moves it.
class TestClock : public Clock {
public:
    explicit TestClock(const QDateTime& at) : at_(at) {}
    void set(const QDateTime& at) { at_ = at; }
    void advanceMs(qint64 ms) { at_ = at_.addMSecs(ms); }

protected:
    QDateTime now() const override { return at_; }

private:
    QDateTime at_;
};

}  // namespace horalia
