#pragma once

#include <QPointer>
#include <QWidget>
#include <Qt>
#include <cstdint>

namespace quillon::desktop {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// The messages that reach hooks. Qt events are translated into them (see WindowHook);
// the others are delivered with WindowHook::Dispatch.
namespace msg {
inline constexpr std::uint32_t kQueryEndSession = 0x0011;
inline constexpr std::uint32_t kEndSession = 0x0016;
inline constexpr std::uint32_t kNcLButtonDblClk = 0x00A3;  // double click on the caption
inline constexpr std::uint32_t kKeyDown = 0x0100;
inline constexpr std::uint32_t kKeyUp = 0x0101;
inline constexpr std::uint32_t kChar = 0x0102;
inline constexpr std::uint32_t kSysKeyDown = 0x0104;
inline constexpr std::uint32_t kSysKeyUp = 0x0105;
inline constexpr std::uint32_t kTimer = 0x0113;
inline constexpr std::uint32_t kLButtonDown = 0x0201;
inline constexpr std::uint32_t kLButtonUp = 0x0202;
inline constexpr std::uint32_t kLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kRButtonDown = 0x0204;
inline constexpr std::uint32_t kRButtonUp = 0x0205;
inline constexpr std::uint32_t kRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kHotKey = 0x0312;  // lParam: modifier bits low word, key code high
}  // namespace msg

// lParam of the hot-key message: modifier bits (1 Alt, 2 Ctrl, 4 Shift, 8 Win) in the low word,
// the virtual-key code in the high word.
constexpr LParam MakeHotKeyLParam(int modifierBits, int virtualKey) {
    return static_cast<LParam>((static_cast<std::uint32_t>(virtualKey & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(modifierBits & 0xFFFF));
}

namespace detail {
class HookChain;
}

// A hook in front of one widget's own event handling. Up to eight hooks sit on one widget; the
// one attached last sees each message first and hands it on with PassOn to the one attached
// before it, and the last PassOn reaches the widget's own handling.
//
// Qt events become messages: a key press is a key down (a system key down while Alt is held
// without Ctrl, and for F10), followed by one character message per character it types; a key
// release that is not an autorepeat is a key up; mouse button presses, releases and double clicks
// of the left and right buttons are the button messages (on a scroll area's viewport as well).
// The widget's own handling of a Qt event runs when its last message is passed on past the
// first hook; a hook that does not pass a message on swallows the whole event.
class WindowHook {
public:
    static constexpr int kSlots = 8;

    WindowHook() = default;
    WindowHook(const WindowHook&) = delete;
    WindowHook& operator=(const WindowHook&) = delete;
    virtual ~WindowHook();  // detaches

    // Takes the first free slot of the widget; refused (false) when all eight are taken, when
    // this hook is attached already, or without a widget. CONTROLFEQ becomes `controlNumber`, or 0
    // with `noControl`.
    bool Attach(QWidget* window, int controlNumber, bool noControl);
    // Takes the hook out; the hooks attached before and after it keep their order.
    void Detach();

    // Hands a message to the hook attached before this one, or to the widget's own handling.
    LResult PassOn(QWidget* window, std::uint32_t message, WParam wParam, LParam lParam);
    // Sees a message first; the default passes it on.
    virtual LResult TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                                LParam lParam);

    // Delivers a message to the chain of `window` as if the platform had sent it: the hook
    // attached last sees it first. Without hooks, or past the last PassOn, the result is 0.
    static LResult Dispatch(QWidget* window, std::uint32_t message, WParam wParam, LParam lParam);

    // The modifiers in force for the message being handled: those of the Qt input event it
    // came from, otherwise the keyboard state now.
    static Qt::KeyboardModifiers CurrentModifiers();

    // Name of the widget property that marks slot n as taken.
    static const char* SlotPropertyName(int slot);

    bool IsAttached() const { return !window_.isNull(); }
    QWidget* WNDHANDLE() const { return window_.data(); }
    int PROPNUM() const { return propNum_; }
    int CONTROLFEQ() const { return controlFeq_; }

private:
    friend class detail::HookChain;
    QPointer<QWidget> window_;
    QPointer<detail::HookChain> chain_;
    int propNum_ = -1;
    int controlFeq_ = 0;
};

}  // namespace quillon::desktop
