#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <optional>

#include "desktop/window_hook.h"
#include "platform/desktop/hot_key_grabber.h"

namespace quillon::desktop {

// One system-wide key combination of a window. Registered, its presses reach the window's hook
// chain as the hot-key message; every GlobalHotKey hooked to that window sees the message and
// calls HotKeyPressed when the combination is its own.
class GlobalHotKey : public WindowHook {
public:
    // The grabber must outlive this object.
    explicit GlobalHotKey(platform::HotKeyGrabber& grabber);
    // Releases a registration this object still holds.
    ~GlobalHotKey() override;

    std::uint8_t FLAGCTRL = 0;
    std::uint8_t FLAGALT = 0;
    std::uint8_t FLAGSHIFT = 0;
    std::uint8_t FLAGWIN = 0;
    std::int32_t VK_CODE = 0;
    QPointer<QWidget> WND;
    std::int32_t HOTKEYID = 101;

    // Sets WND and hooks this object onto the window.
    void Init(QWidget* window);
    // Grabs the combination of the flags and VK_CODE for WND under HOTKEYID. Returns 0, or a
    // non-zero code when the combination is refused (held by another application or by another
    // registration of this program, no such key, no global hot keys in this session).
    std::int32_t Register();
    // Releases the registration of WND under HOTKEYID; harmless when there is none.
    void Unregister();
    // Unhooks this object.
    void Kill();

    LResult TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                        LParam lParam) override;
    // The owner's action.
    virtual void HotKeyPressed() {}

private:
    platform::WindowId OwnerHandle() const;

    platform::HotKeyGrabber& grabber_;
    struct Held {
        platform::WindowId owner;
        int id;
    };
    std::optional<Held> held_;
};

// Register's code when WND is not a window.
inline constexpr std::int32_t kHotKeyInvalidWindow = 1400;

}  // namespace quillon::desktop
