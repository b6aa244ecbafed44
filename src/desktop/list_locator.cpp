#include "desktop/list_locator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "desktop/virtual_keys.h"
#include "desktop/window_timers.h"
#include "platform/core/text.h"
#include "platform/window/control_events.h"

namespace quillon::desktop {
namespace {

// How long a search runs before it lets the window's timers and posted events run.
constexpr qint64 kYieldEveryMs = 5;

// The first `n` characters of a fixed-length field, padded with blanks as the field would be.
bool StartsWith(const std::string& field, const QString& typed) {
    QString head = QString::fromStdString(field).left(typed.size());
    if (head.size() < typed.size()) {
        head = head.leftJustified(typed.size(), QLatin1Char(' '));
    }
    return head.compare(typed, Qt::CaseInsensitive) == 0;
}

bool IsResetKey(WParam key) {
    switch (static_cast<int>(key)) {
        case vk::kDown:
        case vk::kUp:
        case vk::kHome:
        case vk::kNext:
        case vk::kPrior:
        case vk::kEnd:
        case vk::kReturn:
            return true;
        default:
            return false;
    }
}

}  // namespace

ListLocator::~ListLocator() {
    Kill();
}

bool ListLocator::InitList(QAbstractItemView* list, std::string* variable,
                           QLineEdit* locatorControl) {
    if (list == nullptr) {
        return false;
    }
    list_ = list;
    variable_ = variable;
    locatorControl_ = locatorControl;
    if (locatorControl != nullptr) {
        controlAccepted_ =
            QObject::connect(locatorControl, &QLineEdit::editingFinished, locatorControl, [this] {
                if (variable_ != nullptr) {
                    *variable_ = locatorControl_->text().toStdString();
                }
                Refresh();
            });
    }
    SetWindowTimer(list, kTimerId, kTickMs);  // ticks come as timer messages of the list
    return Attach(list, 0, false);
}

void ListLocator::Kill() {
    Detach();
    if (!list_.isNull()) {
        KillWindowTimer(list_.data(), kTimerId);
    }
    QObject::disconnect(controlAccepted_);
    fieldText_ = {};
    variable_ = nullptr;
    FLAGUSELOCATOR = 0;
}

LResult ListLocator::TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                                 LParam lParam) {
    if (FLAGUSELOCATOR != 1) {
        return PassOn(window, message, wParam, lParam);
    }
    switch (message) {
        case msg::kChar: {
            // The list sees the character first; the search then decides the selection.
            const LResult result = PassOn(window, message, wParam, lParam);
            if (wParam == vk::kBack) {
                typed_.chop(1);
            } else if (typed_.size() < kMaxTyped) {
                typed_.append(QChar(static_cast<char16_t>(wParam)));
            }
            ShowTyped();
            LASTLETTERTIME = Now();
            Search();
            return result;
        }
        case msg::kKeyUp:
            if (IsResetKey(wParam)) {
                Reset();
            }
            break;
        case msg::kLButtonUp:
        case msg::kRButtonUp:
            Reset();
            break;
        case msg::kTimer:
            if (wParam == kTimerId && !typed_.isEmpty() &&
                HundredthsBetween(LASTLETTERTIME, Now()) >= kIdleReset) {
                Reset();
            }
            break;
        default:
            break;
    }
    return PassOn(window, message, wParam, lParam);
}

void ListLocator::Search() {
    if (!fieldText_ || list_.isNull()) {
        return;
    }
    // A copy: a tick handled while yielding may reset the typed text.
    const QString typed = typed_;
    QElapsedTimer sinceYield;
    sinceYield.start();
    for (int position = 1; position <= records_(); ++position) {
        if (sinceYield.elapsed() >= kYieldEveryMs) {
            // Typing waits until the search is over; timers and posted events run.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceYield.restart();
            if (list_.isNull() || !fieldText_) {
                return;
            }
        }
        const std::string* text = fieldText_(position);
        if (text != nullptr && StartsWith(*text, typed)) {
            auto* events = window::ControlEvents::For(list_.data());
            if (events->SelectRow(list_.data(), position)) {
                events->Post(list_.data(), window::ControlEvent::NewSelection);
            }
            return;
        }
    }
}

void ListLocator::Reset() {
    typed_.clear();
    ShowTyped();
}

void ListLocator::Refresh() {
    if (variable_ != nullptr) {
        const std::string_view text = TrimTrailingBlanks(*variable_);
        typed_ =
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).left(kMaxTyped);
    }
    Search();
}

void ListLocator::ShowTyped() {
    if (variable_ != nullptr) {
        *variable_ = typed_.toStdString();
    }
    if (!locatorControl_.isNull()) {
        locatorControl_->setText(typed_);
    }
}

}  // namespace quillon::desktop
