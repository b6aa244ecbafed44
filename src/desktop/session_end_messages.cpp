#include "desktop/session_end_messages.h"

#include <QPointer>

#include "desktop/window_hook.h"
#include "platform/window/session_end.h"

namespace quillon::desktop {

void ForwardSessionEnd(QWidget* window) {
    auto* end = new window::SessionEnd(window);  // owned by the window
    const QPointer<QWidget> target(window);
    QObject::connect(end, &window::SessionEnd::QueryEndSession, window, [target] {
        WindowHook::Dispatch(target.data(), msg::kQueryEndSession, 0, 0);
    });
    QObject::connect(end, &window::SessionEnd::EndSession, window,
                     [target] { WindowHook::Dispatch(target.data(), msg::kEndSession, 1, 0); });
}

}  // namespace quillon::desktop
