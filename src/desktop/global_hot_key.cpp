#include "desktop/global_hot_key.h"

#include "desktop/hot_key_record.h"

namespace quillon::desktop {

GlobalHotKey::GlobalHotKey(platform::HotKeyGrabber& grabber) : grabber_(grabber) {}

GlobalHotKey::~GlobalHotKey() {
    if (held_) {
        grabber_.Unregister(held_->owner, held_->id);
    }
}

void GlobalHotKey::Init(QWidget* window) {
    WND = window;
    Attach(window, 0, true);
}

platform::WindowId GlobalHotKey::OwnerHandle() const {
    return WND.isNull() ? 0 : static_cast<platform::WindowId>(WND->winId());
}

std::int32_t GlobalHotKey::Register() {
    const platform::WindowId owner = OwnerHandle();
    if (owner == 0) {
        return kHotKeyInvalidWindow;
    }
    const platform::HotKeyCombination combination{
        ModifierBits(FLAGCTRL, FLAGALT, FLAGSHIFT, FLAGWIN), VK_CODE};
    // Like a posted message, the press reaches the window's chain from the event loop; a window
    // closed meanwhile gets nothing.
    QPointer<QWidget> window = WND;
    const int result = grabber_.Register(
        owner, HOTKEYID, combination, [window](int id, platform::HotKeyCombination pressed) {
            if (!window.isNull()) {
                WindowHook::Dispatch(
                    window, msg::kHotKey, static_cast<WParam>(id),
                    MakeHotKeyLParam(static_cast<int>(pressed.modifiers), pressed.virtualKey));
            }
        });
    if (result == platform::kHotKeyOk) {
        held_ = Held{owner, HOTKEYID};
    }
    return result;
}

void GlobalHotKey::Unregister() {
    const platform::WindowId owner = OwnerHandle();
    grabber_.Unregister(owner, HOTKEYID);
    if (held_ && held_->owner == owner && held_->id == HOTKEYID) {
        held_.reset();
    }
}

void GlobalHotKey::Kill() {
    Detach();
}

LResult GlobalHotKey::TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                                  LParam lParam) {
    if (message != msg::kHotKey) {
        return PassOn(window, message, wParam, lParam);
    }
    // The id in wParam is not compared: every hook of the window that has this combination
    // reacts, whichever registration the press came through.
    const auto modifiers = static_cast<std::uint32_t>(lParam & 0xF);
    const auto virtualKey = static_cast<std::int16_t>((lParam >> 16) & 0xFFFF);
    if (ModifierBits(FLAGCTRL, FLAGALT, FLAGSHIFT, FLAGWIN) == modifiers && VK_CODE == virtualKey) {
        HotKeyPressed();
    }
    return PassOn(window, message, wParam, lParam);
}

}  // namespace quillon::desktop
