#pragma once

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <any>
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/time_of_day.h"
#include "desktop/window_hook.h"
#include "platform/window/queue.h"

namespace quillon::desktop {

// Type-ahead for a list: the characters typed into the list build a text, and the first row
// whose search field starts with it (letter case aside) is selected, with a posted new
// selection. Backspace takes the last character off; one idle second, a mouse button released
// in the list and the release of a navigation key or Enter start the text afresh.
class ListLocator : public WindowHook {
public:
    static constexpr int kTimerId = 2;  // the tick timer's number on the list
    static constexpr int kTickMs = 100;
    static constexpr std::int32_t kIdleReset = 100;  // hundredths of a second
    static constexpr int kMaxTyped = 1023;

    ListLocator() = default;
    ~ListLocator() override;

    // Starts the tick on the list and hooks into it. `variable` and `locatorControl` (both
    // optional) show the typed text; the control's accepted text is searched (Refresh).
    template <class Record>
    bool Init(window::Queue<Record>& queue, QAbstractItemView* list,
              std::string* variable = nullptr, QLineEdit* locatorControl = nullptr) {
        queue_ = &queue;
        records_ = [&queue] { return queue.Records(); };
        fieldText_ = {};
        return InitList(list, variable, locatorControl);
    }

    // The field typed text is matched against; turns the locator on. False when the field is
    // not one of the queue given to Init.
    template <class Record>
    bool SetSearchField(std::string Record::*field) {
        auto* const* queue = std::any_cast<window::Queue<Record>*>(&queue_);
        if (queue == nullptr) {
            return false;
        }
        fieldText_ = [q = *queue, field](int position) -> const std::string* {
            const Record* record = q->At(position);
            return record != nullptr ? &(record->*field) : nullptr;
        };
        FLAGUSELOCATOR = 1;
        return true;
    }

    // Takes the hook out, stops the tick, releases field and variable.
    void Kill();
    void Search();
    void Reset();
    virtual void Refresh();

    LResult TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                        LParam lParam) override;

    std::string CSTRLOCATORVARIABLE() const { return typed_.toStdString(); }
    QAbstractItemView* LISTBOXFEQ() const { return list_.data(); }
    std::uint8_t FLAGUSELOCATOR = 0;
    std::int32_t LASTLETTERTIME = 0;

    void SetClock(TimeOfDaySource clock) { clock_ = std::move(clock); }

private:
    bool InitList(QAbstractItemView* list, std::string* variable, QLineEdit* locatorControl);
    void ShowTyped();
    std::int32_t Now() const { return clock_ ? clock_() : TimeOfDayNow(); }

    std::any queue_;
    std::function<int()> records_;
    std::function<const std::string*(int position)> fieldText_;
    QPointer<QAbstractItemView> list_;
    QPointer<QLineEdit> locatorControl_;
    std::string* variable_ = nullptr;
    QString typed_;
    TimeOfDaySource clock_;
    QMetaObject::Connection controlAccepted_;
};

}  // namespace quillon::desktop
