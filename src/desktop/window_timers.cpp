#include "desktop/window_timers.h"

#include <QTimer>
#include <algorithm>

#include "desktop/window_hook.h"

namespace quillon::desktop {
namespace {

constexpr const char* kTimerNumberProperty = "quillonTimerNumber";

thread_local WindowTimers* tCurrentOwner = nullptr;

QTimer* FindWindowTimer(QWidget* window, int number) {
    for (QTimer* timer : window->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QVariant value = timer->property(kTimerNumberProperty);
        if (value.isValid() && value.toInt() == number) {
            return timer;
        }
    }
    return nullptr;
}

}  // namespace

int SetWindowTimer(QWidget* window, int number, int intervalMs,
                   std::function<void(int number)> tick) {
    if (window == nullptr) {
        return 0;
    }
    QTimer* timer = FindWindowTimer(window, number);
    if (timer == nullptr) {
        timer = new QTimer(window);  // ends with the window
        timer->setProperty(kTimerNumberProperty, number);
    }
    timer->disconnect();
    QObject::connect(timer, &QTimer::timeout, timer,
                     [window = QPointer<QWidget>(window), number, tick = std::move(tick)] {
                         if (tick) {
                             tick(number);
                         } else if (!window.isNull()) {
                             WindowHook::Dispatch(window.data(), msg::kTimer,
                                                  static_cast<WParam>(number), 0);
                         }
                     });
    // Like the platform, intervals below 10 ms are 10 ms.
    timer->start(std::max(intervalMs, 10));
    return timer->timerId() > 0 ? timer->timerId() : 0;
}

void KillWindowTimer(QWidget* window, int number) {
    if (window == nullptr) {
        return;
    }
    if (QTimer* timer = FindWindowTimer(window, number)) {
        // It may be the timer whose tick is running now: let it finish first.
        timer->stop();
        timer->setProperty(kTimerNumberProperty, QVariant());
        timer->deleteLater();
    }
}

WindowTimers::~WindowTimers() {
    for (const TimerRecord& record : timers_) {
        if (record.TIMERID != 0 && (record.TIMERKILLATEND == 0 || record.TIMERENDAT == 0)) {
            KillWindowTimer(window_.data(), record.TIMERNUM);
        }
    }
    if (tCurrentOwner == this) {
        tCurrentOwner = nullptr;
    }
}

void WindowTimers::Init(QWidget* window) {
    tCurrentOwner = this;
    window_ = window;
}

std::int32_t WindowTimers::AddTimer(std::int32_t number, std::int32_t intervalMs, bool oneShot,
                                    bool assignNumber) {
    std::int32_t result = 1;
    if (assignNumber) {
        std::int32_t highest = 0;
        for (const TimerRecord& record : timers_) {
            highest = std::max(highest, record.TIMERNUM);
        }
        number = highest + 1;
        result = number;
    } else {
        std::erase_if(timers_, [number](const TimerRecord& r) { return r.TIMERNUM == number; });
    }
    TimerRecord record;
    record.TIMERNUM = number;
    record.TIMERSTARTAT = Now();
    record.TIMERENDAT = 0;
    record.TIMERDURATION = intervalMs;
    record.TIMERKILLATEND = oneShot ? 1 : 0;
    record.TIMERID = SetWindowTimer(window_.data(), number, intervalMs, &WindowTimers::Tick);
    if (record.TIMERID != 0) {
        timers_.push_back(record);
        if (!assignNumber) {
            result = 0;
        }
    }
    return result;
}

void WindowTimers::TimerFired(std::int32_t) {}

const TimerRecord* WindowTimers::Timer(std::int32_t number) const {
    const auto found = std::find_if(timers_.begin(), timers_.end(), [number](const TimerRecord& r) {
        return r.TIMERNUM == number;
    });
    return found != timers_.end() ? &*found : nullptr;
}

WindowTimers* WindowTimers::CurrentOwner() {
    return tCurrentOwner;
}

void WindowTimers::Tick(int number) {
    WindowTimers* owner = tCurrentOwner;
    if (owner == nullptr) {
        return;
    }
    const auto found =
        std::find_if(owner->timers_.begin(), owner->timers_.end(),
                     [number](const TimerRecord& r) { return r.TIMERNUM == number; });
    if (found == owner->timers_.end()) {
        return;  // a tick without a record is ignored
    }
    if (found->TIMERKILLATEND == 1) {
        found->TIMERENDAT = owner->Now();
        KillWindowTimer(owner->window_.data(), number);
    }
    owner->TimerFired(number);
}

}  // namespace quillon::desktop
