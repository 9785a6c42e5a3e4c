#pragma once
// A timer control: an interval of 0 to 65535 ms and an Enabled switch. It ticks while it is
// enabled and its interval is not 0; switching it on, or setting the interval, starts the
// count afresh. Tests call the form's tick handlers directly rather than waiting for ticks.
#include <QObject>
#include <QTimer>

namespace platform {

class TimerControl : public QObject {
    Q_OBJECT
public:
    explicit TimerControl(QObject* parent, int interval_ms = 0, bool enabled = false);

    int Interval() const { return interval_; }
    // A value outside 0..65535 throws StepError(errInvalidPropertyValue) and the interval in
    // force stays.
    void setInterval(long long ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    // Whether a tick is on its way (enabled with an interval above 0).
    bool running() const { return timer_.isActive(); }

signals:
    void Timer();

private:
    void restart();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

} // namespace platform
