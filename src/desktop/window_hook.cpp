#include "desktop/window_hook.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QVariant>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include "desktop/virtual_keys.h"

namespace quillon::desktop {
namespace detail {
namespace {

struct Message {
    std::uint32_t message;
    WParam wParam;
    LParam lParam;
};

// The Qt event whose messages are being delivered, and how far they got.
struct Delivery {
    QObject* receiver = nullptr;  // the widget or viewport the event was sent to
    QEvent* event = nullptr;      // null for a message from Dispatch
    Qt::KeyboardModifiers modifiers;
    bool runsNativeHandling = false;  // this is the event's last message
    bool reachedBottom = false;
    bool nativeDone = false;
    LResult nativeResult = 0;
};

thread_local Delivery* tInnermost = nullptr;

Qt::KeyboardModifiers ModifierOfKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
            return Qt::ShiftModifier;
        case Qt::Key_Control:
            return Qt::ControlModifier;
        case Qt::Key_Alt:
            return Qt::AltModifier;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            return Qt::MetaModifier;
        default:
            return Qt::NoModifier;
    }
}

// A modifier key counts as held in its own press (as the keyboard state reports it while the
// press is handled) and as released in its own release.
Qt::KeyboardModifiers KeyModifiers(const QKeyEvent& key) {
    Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const Qt::KeyboardModifiers own = ModifierOfKey(key.key());
    return key.type() == QEvent::KeyPress ? (mods | own) : (mods & ~own);
}

bool IsSystemKey(Qt::KeyboardModifiers held, int virtualKey) {
    return ((held & Qt::AltModifier) && !(held & Qt::ControlModifier)) || virtualKey == vk::kF10;
}

LParam KeyLParam(const QKeyEvent& key, bool alt, bool release) {
    std::uint32_t bits = 1;  // repeat count
    bits |= (key.nativeScanCode() & 0xFFu) << 16;
    if (alt) {
        bits |= 1u << 29;
    }
    if (key.isAutoRepeat() || release) {
        bits |= 1u << 30;
    }
    if (release) {
        bits |= 1u << 31;
    }
    return static_cast<LParam>(static_cast<std::int32_t>(bits));
}

std::vector<Message> KeyMessages(const QKeyEvent& key) {
    std::vector<Message> out;
    const int code =
        VirtualKeyFromQtKey(key.key(), key.modifiers() & Qt::KeypadModifier).value_or(0);
    const auto wParam = static_cast<WParam>(code);
    if (key.type() == QEvent::KeyPress) {
        const Qt::KeyboardModifiers held = KeyModifiers(key);
        const bool system = IsSystemKey(held, code);
        const LParam lParam = KeyLParam(key, held & Qt::AltModifier, false);
        out.push_back({system ? msg::kSysKeyDown : msg::kKeyDown, wParam, lParam});
        // Characters of a system key are menu mnemonics, not text; Delete types nothing, and
        // Tab moves the focus instead of typing.
        const bool typesNothing =
            key.key() == Qt::Key_Delete || key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
        if (!system && !typesNothing) {
            for (const QChar ch : key.text()) {
                out.push_back({msg::kChar, static_cast<WParam>(ch.unicode()), lParam});
            }
        }
    } else if (!key.isAutoRepeat()) {
        // Held while released: the key's own modifier is still down.
        const Qt::KeyboardModifiers held = KeyModifiers(key) | ModifierOfKey(key.key());
        const bool system = IsSystemKey(held, code);
        out.push_back({system ? msg::kSysKeyUp : msg::kKeyUp, wParam,
                       KeyLParam(key, held & Qt::AltModifier, true)});
    }
    return out;
}

std::vector<Message> MouseMessages(const QMouseEvent& mouse) {
    const bool left = mouse.button() == Qt::LeftButton;
    if (!left && mouse.button() != Qt::RightButton) {
        return {};
    }
    std::uint32_t message = 0;
    switch (mouse.type()) {
        case QEvent::MouseButtonPress:
            message = left ? msg::kLButtonDown : msg::kRButtonDown;
            break;
        case QEvent::MouseButtonRelease:
            message = left ? msg::kLButtonUp : msg::kRButtonUp;
            break;
        case QEvent::MouseButtonDblClick:
            message = left ? msg::kLButtonDblClk : msg::kRButtonDblClk;
            break;
        default:
            return {};
    }
    WParam flags = 0;
    if (mouse.buttons() & Qt::LeftButton) {
        flags |= 0x0001;
    }
    if (mouse.buttons() & Qt::RightButton) {
        flags |= 0x0002;
    }
    if (mouse.modifiers() & Qt::ShiftModifier) {
        flags |= 0x0004;
    }
    if (mouse.modifiers() & Qt::ControlModifier) {
        flags |= 0x0008;
    }
    const QPoint at = mouse.position().toPoint();
    const auto lParam = static_cast<LParam>(
        static_cast<std::int32_t>((static_cast<std::uint32_t>(at.y() & 0xFFFF) << 16) |
                                  static_cast<std::uint32_t>(at.x() & 0xFFFF)));
    return {{message, flags, lParam}};
}

std::vector<Message> Translate(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return KeyMessages(*static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return MouseMessages(*static_cast<QMouseEvent*>(event));
        default:
            return {};
    }
}

Qt::KeyboardModifiers EventModifiers(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return KeyModifiers(*static_cast<QKeyEvent*>(event));
        default:
            return static_cast<QInputEvent*>(event)->modifiers();
    }
}

std::unordered_map<const QWidget*, HookChain*>& Chains() {
    static std::unordered_map<const QWidget*, HookChain*> chains;
    return chains;
}

}  // namespace

// The hooks of one widget in the order they were attached, and the event filter that turns the
// widget's Qt events into messages for them.
class HookChain final : public QObject {
public:
    explicit HookChain(QWidget* widget) : QObject(widget), widget_(widget) {
        Chains()[widget] = this;
        widget->installEventFilter(this);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
            viewport_ = area->viewport();
            viewport_->installEventFilter(this);
        }
    }

    ~HookChain() override {
        Chains().erase(widget_);
        for (WindowHook* hook : hooks_) {
            hook->chain_ = nullptr;
            hook->window_ = nullptr;
            hook->propNum_ = -1;
        }
    }

    static HookChain* Of(const QWidget* widget) {
        const auto found = Chains().find(widget);
        return found == Chains().end() ? nullptr : found->second;
    }

    bool Add(WindowHook* hook) {
        if (hooks_.size() >= WindowHook::kSlots) {
            return false;
        }
        // Only the eight slot names count: properties of others are left alone.
        const QList<QByteArray> taken = widget_->dynamicPropertyNames();
        for (int slot = 0; slot < WindowHook::kSlots; ++slot) {
            const char* name = WindowHook::SlotPropertyName(slot);
            if (!taken.contains(QByteArray(name))) {
                widget_->setProperty(name, QVariant::fromValue(reinterpret_cast<quintptr>(hook)));
                hook->propNum_ = slot;
                hooks_.push_back(hook);
                return true;
            }
        }
        return false;
    }

    void Remove(WindowHook* hook) {
        const auto found = std::find(hooks_.begin(), hooks_.end(), hook);
        if (found == hooks_.end()) {
            return;
        }
        hooks_.erase(found);
        widget_->setProperty(WindowHook::SlotPropertyName(hook->propNum_), QVariant());
        if (hooks_.empty()) {
            // Without hooks the widget handles its events as if none had ever been attached.
            widget_->removeEventFilter(this);
            if (viewport_ != nullptr) {
                viewport_->removeEventFilter(this);
            }
            Chains().erase(widget_);
            if (depth_ == 0) {
                delete this;
            } else {
                deleteLater();
            }
        }
    }

    LResult Deliver(Delivery& delivery, const Message& m) {
        if (hooks_.empty()) {
            return Bottom(delivery);
        }
        Delivery* const outer = current_;
        Delivery* const outerInnermost = tInnermost;
        current_ = &delivery;
        tInnermost = &delivery;
        ++depth_;
        const LResult result = hooks_.back()->TakeMessage(widget_, m.message, m.wParam, m.lParam);
        --depth_;
        current_ = outer;
        tInnermost = outerInnermost;
        return result;
    }

    LResult PassOn(const WindowHook* hook, QWidget* window, const Message& m) {
        const auto found = std::find(hooks_.begin(), hooks_.end(), hook);
        if (found != hooks_.end() && found != hooks_.begin()) {
            return (*(found - 1))->TakeMessage(window, m.message, m.wParam, m.lParam);
        }
        return current_ != nullptr ? Bottom(*current_) : 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (std::find(passing_.begin(), passing_.end(), event) != passing_.end()) {
            return false;
        }
        const std::vector<Message> messages = Translate(event);
        if (messages.empty() || hooks_.empty()) {
            return false;
        }
        Delivery delivery;
        delivery.receiver = watched;
        delivery.event = event;
        delivery.modifiers = EventModifiers(event);
        const QPointer<HookChain> self(this);
        for (std::size_t i = 0; i < messages.size() && !self.isNull(); ++i) {
            delivery.runsNativeHandling = i + 1 == messages.size();
            delivery.reachedBottom = false;
            Deliver(delivery, messages[i]);
            if (!delivery.reachedBottom) {
                break;  // a hook kept the message: the whole event is taken
            }
        }
        // The event was handled, by a hook or by the widget's own handling run from PassOn;
        // accepting it keeps Qt from handing it to the parent a second time.
        event->accept();
        return true;
    }

private:
    // The widget's own handling: the event goes on to the widget as if no hook were there.
    LResult Bottom(Delivery& delivery) {
        delivery.reachedBottom = true;
        if (delivery.event == nullptr || !delivery.runsNativeHandling) {
            return 0;
        }
        if (!delivery.nativeDone) {
            delivery.nativeDone = true;
            passing_.push_back(delivery.event);
            const QPointer<HookChain> self(this);
            const bool handled = QCoreApplication::sendEvent(delivery.receiver, delivery.event);
            if (!self.isNull()) {
                passing_.erase(std::find(passing_.begin(), passing_.end(), delivery.event));
            }
            delivery.nativeResult = handled ? 1 : 0;
        }
        return delivery.nativeResult;
    }

    QWidget* widget_;
    QPointer<QWidget> viewport_;
    std::vector<WindowHook*> hooks_;
    std::vector<QEvent*> passing_;
    Delivery* current_ = nullptr;
    int depth_ = 0;
};

}  // namespace detail

WindowHook::~WindowHook() {
    Detach();
}

bool WindowHook::Attach(QWidget* window, int controlNumber, bool noControl) {
    if (window == nullptr || IsAttached()) {
        return false;
    }
    detail::HookChain* chain = detail::HookChain::Of(window);
    const bool created = chain == nullptr;
    if (created) {
        chain = new detail::HookChain(window);  // owned by the widget
    }
    if (!chain->Add(this)) {
        if (created) {
            delete chain;
        }
        return false;
    }
    window_ = window;
    chain_ = chain;
    controlFeq_ = noControl ? 0 : controlNumber;
    return true;
}

void WindowHook::Detach() {
    if (!chain_.isNull()) {
        detail::HookChain* chain = chain_.data();
        chain_ = nullptr;
        chain->Remove(this);
    }
    window_ = nullptr;
    propNum_ = -1;
}

LResult WindowHook::PassOn(QWidget* window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (chain_.isNull()) {
        return 0;
    }
    return chain_->PassOn(this, window, {message, wParam, lParam});
}

LResult WindowHook::TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                                LParam lParam) {
    return PassOn(window, message, wParam, lParam);
}

LResult WindowHook::Dispatch(QWidget* window, std::uint32_t message, WParam wParam, LParam lParam) {
    detail::HookChain* chain = detail::HookChain::Of(window);
    if (chain == nullptr) {
        return 0;
    }
    detail::Delivery delivery;
    delivery.modifiers = QGuiApplication::queryKeyboardModifiers();
    return chain->Deliver(delivery, {message, wParam, lParam});
}

Qt::KeyboardModifiers WindowHook::CurrentModifiers() {
    if (detail::tInnermost != nullptr && detail::tInnermost->event != nullptr) {
        return detail::tInnermost->modifiers;
    }
    return QGuiApplication::queryKeyboardModifiers();
}

const char* WindowHook::SlotPropertyName(int slot) {
    static constexpr std::array<const char*, kSlots> kNames = {
        "xCallBackClassProp",  "xCallBackClassProp1", "xCallBackClassProp2", "xCallBackClassProp3",
        "xCallBackClassProp4", "xCallBackClassProp5", "xCallBackClassProp6", "xCallBackClassProp7"};
    return slot >= 0 && slot < kSlots ? kNames[static_cast<std::size_t>(slot)] : "";
}

}  // namespace quillon::desktop
