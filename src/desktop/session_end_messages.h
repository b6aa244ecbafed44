#pragma once

#include <QWidget>

namespace quillon::desktop {

// Delivers the end of the user's session to the hooks of `window`: the query message 0x0011,
// then the end message 0x0016 (wParam 1). Lives as long as the window.
void ForwardSessionEnd(QWidget* window);

}  // namespace quillon::desktop
