#include "platform/timer.h"

#include "platform/failure.h"

namespace platform {

namespace {
constexpr long long kMaxInterval = 65535;
}

TimerControl::TimerControl(QObject* parent, int interval_ms, bool enabled) : QObject(parent)
{
    connect(&timer_, &QTimer::timeout, this, &TimerControl::Timer);
    setInterval(interval_ms);
    setEnabled(enabled);
}

void TimerControl::setInterval(long long ms)
{
    if (ms < 0 || ms > kMaxInterval)
        throw StepError(errInvalidPropertyValue, "Invalid property value");
    interval_ = static_cast<int>(ms);
    restart();
}

void TimerControl::setEnabled(bool on)
{
    enabled_ = on;
    restart();
}

void TimerControl::restart()
{
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}

} // namespace platform
