// The desktop session where X11 is not there (a Wayland session; here Qt's offscreen platform):
// the program still starts and puts text on the clipboard, and says once what is missing.

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>

#include "platform/desktop/desktop_session.h"

namespace quillon::platform {
namespace {

TEST(DesktopSessionWithoutX11, KeepsTheClipboardAndSaysOnceThatTheRestIsMissing) {
    RecordingMessageBox notices;
    std::unique_ptr<DesktopSession> session = DesktopSession::Create(notices);
    ASSERT_TRUE(session);
    EXPECT_FALSE(session->HasX11());
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_EQ(notices.messages[0].caption, kNoX11NoticeCaption);
    EXPECT_EQ(notices.messages[0].text, kNoX11NoticeText);

    ClipboardPaster& paster = session->Paster();
    EXPECT_TRUE(paster.SetClipboardText("o.OrderID"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("o.OrderID"));
    EXPECT_TRUE(paster.SetClipboardText(""));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_FALSE(paster.CanSendKeys());
    EXPECT_FALSE(paster.SendPasteKeys());

    EXPECT_EQ(session->HotKeys().Register(1, 101, {kModWin, 32}, [](int, HotKeyCombination) {}),
              kHotKeyUnavailable);
    session->HotKeys().Unregister(1, 101);
    EXPECT_FALSE(session->Services().Available());
    EXPECT_EQ(session->Services().ForegroundWindow(), 0u);
    EXPECT_FALSE(session->Services().SetForegroundWindow(7));

    // A second session in the same run says nothing more.
    std::unique_ptr<DesktopSession> again = DesktopSession::Create(notices);
    EXPECT_EQ(notices.messages.size(), 1u);
}

}  // namespace
}  // namespace quillon::platform

int main(int argc, char** argv) {
    // Whatever the machine offers, this run has no X11.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
