#include <gtest/gtest.h>
#include <signal.h>

#include <QWidget>
#include <memory>
#include <vector>

#include "../platform_window/qt_test_util.h"
#include "desktop/session_end_messages.h"
#include "desktop/window_hook.h"
#include "platform/window/session_end.h"

namespace quillon::desktop {
namespace {

class SessionHook : public WindowHook {
public:
    LResult TakeMessage(QWidget* w, std::uint32_t m, WParam wp, LParam lp) override {
        seen.emplace_back(m, wp);
        return PassOn(w, m, wp, lp);
    }
    std::vector<std::pair<std::uint32_t, WParam>> seen;
};

void (*CurrentHandler(int signal))(int) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(SessionEnd, TerminationSignalsReachTheWindowsHooksAsSessionEnd) {
    ASSERT_EQ(CurrentHandler(SIGTERM), SIG_DFL);
    SessionHook hook;
    {
        QWidget window;
        hook.Attach(&window, 0, true);
        ForwardSessionEnd(&window);
        window::SessionEnd second;  // one at a time
        EXPECT_FALSE(second.HandlesSignals());

        for (const int signal : {SIGTERM, SIGHUP}) {
            hook.seen.clear();
            ::raise(signal);
            testing::RunEventLoop(50);
            const std::vector<std::pair<std::uint32_t, WParam>> expected = {
                {msg::kQueryEndSession, 0}, {msg::kEndSession, 1}};
            EXPECT_EQ(hook.seen, expected) << signal;
        }
    }
    EXPECT_EQ(CurrentHandler(SIGTERM), SIG_DFL) << "the signals end the process again";
    EXPECT_EQ(CurrentHandler(SIGHUP), SIG_DFL);
}

}  // namespace
}  // namespace quillon::desktop
