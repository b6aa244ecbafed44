#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "desktop/time_of_day.h"

namespace quillon::desktop {

// A numbered timer of a window, as the platform keeps them: starting a number that runs on that
// window restarts it with the new interval, and the timers end with the window. With a tick
// procedure each tick calls it with the number; without one, each tick reaches the window's
// hooks as the timer message with the number as wParam. Returns the platform's identifier of
// the timer, 0 when it could not be started (no window).
int SetWindowTimer(QWidget* window, int number, int intervalMs,
                   std::function<void(int number)> tick = {});
void KillWindowTimer(QWidget* window, int number);

struct TimerRecord {
    std::int32_t TIMERNUM = 0;
    std::int32_t TIMERID = 0;         // the platform's identifier; 0 = not started
    std::int32_t TIMERSTARTAT = 0;    // time of day at start
    std::int32_t TIMERENDAT = 0;      // time of day of a one-shot timer's tick; 0 before
    std::int32_t TIMERDURATION = 0;   // interval in milliseconds
    std::uint8_t TIMERKILLATEND = 0;  // 1 = one-shot
};

// Numbered periodic or one-shot timers of a window that call back TimerFired. Each thread has
// one current owner, the object last given Init on it, which receives that thread's ticks.
class WindowTimers {
public:
    WindowTimers() = default;
    WindowTimers(const WindowTimers&) = delete;
    WindowTimers& operator=(const WindowTimers&) = delete;
    virtual ~WindowTimers();  // stops its timers

    void Init(QWidget* window);

    // With an explicit number: replaces a timer of that number; 0 on success, 1 on failure.
    // With `assignNumber`: the number is the highest in use plus 1 (1 for none), and that
    // number is returned.
    std::int32_t AddTimer(std::int32_t number, std::int32_t intervalMs, bool oneShot,
                          bool assignNumber);

    virtual void TimerFired(std::int32_t number);

    const std::vector<TimerRecord>& TIMERS() const { return timers_; }
    const TimerRecord* Timer(std::int32_t number) const;
    QWidget* WINDOW() const { return window_.data(); }

    static WindowTimers* CurrentOwner();
    void SetClock(TimeOfDaySource clock) { clock_ = std::move(clock); }

private:
    static void Tick(int number);
    std::int32_t Now() const { return clock_ ? clock_() : TimeOfDayNow(); }

    std::vector<TimerRecord> timers_;
    QPointer<QWidget> window_;
    TimeOfDaySource clock_;
};

}  // namespace quillon::desktop
