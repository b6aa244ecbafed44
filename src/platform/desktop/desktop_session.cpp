#include "platform/desktop/desktop_session.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>
#include <QtDebug>

#include <atomic>
#include <functional>
#include <utility>

#include "desktop/virtual_keys.h"
#include "platform/x11/x11_session.h"

namespace quillon::platform {
namespace {

// Clipboard text through Qt, which keeps serving it while the program runs; the paste keys come
// from whatever the session offers.
class QtClipboardPaster final : public ClipboardPaster {
public:
    explicit QtClipboardPaster(std::function<bool()> sendKeys) : sendKeys_(std::move(sendKeys)) {}

    bool SetClipboardText(std::string_view text) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard == nullptr) {
            return false;
        }
        if (text.empty()) {
            clipboard->clear(QClipboard::Clipboard);
        } else {
            clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                               QClipboard::Clipboard);
        }
        return true;
    }
    bool SendPasteKeys() override { return sendKeys_ ? sendKeys_() : false; }
    bool CanSendKeys() const override { return static_cast<bool>(sendKeys_); }

private:
    std::function<bool()> sendKeys_;
};

class NoDesktopServices final : public DesktopServices {
public:
    bool Available() const override { return false; }
    WindowId ForegroundWindow() override { return 0; }
    bool SetForegroundWindow(WindowId) override { return false; }
    bool RaiseWindow(WindowId) override { return false; }
    WindowId NextWindowBelow(WindowId) override { return 0; }
    WindowId FocusWindow() override { return 0; }
    bool BelongsTo(WindowId window, WindowId owner) override {
        return window != 0 && window == owner;
    }
    HeldModifiers HeldModifierKeys() override { return {}; }
};

class NoHotKeys final : public HotKeyGrabber {
public:
    int Register(WindowId, int, HotKeyCombination, PressedHandler) override {
        return kHotKeyUnavailable;
    }
    void Unregister(WindowId, int) override {}
};

class X11DesktopSession final : public DesktopSession {
public:
    explicit X11DesktopSession(std::unique_ptr<x11::X11Session> session)
        : session_(std::move(session)), paster_([this] { return session_->PasteKeys().Send(); }) {}

    bool HasX11() const override { return true; }
    DesktopServices& Services() override { return session_->Services(); }
    HotKeyGrabber& HotKeys() override { return session_->HotKeys(); }
    ClipboardPaster& Paster() override { return paster_; }

private:
    std::unique_ptr<x11::X11Session> session_;
    QtClipboardPaster paster_;
};

class ClipboardOnlySession final : public DesktopSession {
public:
    ClipboardOnlySession() : paster_(nullptr) {}

    bool HasX11() const override { return false; }
    DesktopServices& Services() override { return services_; }
    HotKeyGrabber& HotKeys() override { return hotKeys_; }
    ClipboardPaster& Paster() override { return paster_; }

private:
    NoDesktopServices services_;
    NoHotKeys hotKeys_;
    QtClipboardPaster paster_;
};

std::atomic<bool> gToldNoX11{false};

std::uint32_t KeysymOf(int virtualKey) {
    return desktop::KeysymFromVirtualKey(virtualKey).value_or(0);
}

}  // namespace

std::unique_ptr<DesktopSession> DesktopSession::Create(MessageBox& notices) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (std::unique_ptr<x11::X11Session> session = x11::X11Session::Connect(&KeysymOf)) {
            return std::make_unique<X11DesktopSession>(std::move(session));
        }
    }
    if (!gToldNoX11.exchange(true)) {
        qInfo("%s", kNoX11NoticeText);
        notices.Show(kNoX11NoticeCaption, kNoX11NoticeText);
    }
    return std::make_unique<ClipboardOnlySession>();
}

}  // namespace quillon::platform
