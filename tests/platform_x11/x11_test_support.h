#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <string>

#include "platform/desktop/window_id.h"
#include "platform/x11/xcb_connection.h"

namespace quillon::testing {

using namespace std::chrono_literals;

// Runs the event loop until `done` holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s);

// Runs a command line tool to its end (xdotool, setxkbmap); true when it exited with 0.
bool RunTool(const QString& program, const QStringList& arguments);

// The top-level window managed by the window manager whose title is `title`, or 0.
platform::WindowId FindClientWindow(const platform::x11::XcbConnection& connection,
                                    const std::string& title);

// A Tk text editor run by `wish`: a real application of someone else, with a caret, that saves
// its text to a file after each change.
class TkEditor {
public:
    // Starts the editor with `text` and the caret at the Tk index `caret`, and waits until its
    // window is managed and active. Check Window() != 0.
    TkEditor(const platform::x11::XcbConnection& connection, const QString& text,
             const QString& caret);
    ~TkEditor();
    TkEditor(const TkEditor&) = delete;
    TkEditor& operator=(const TkEditor&) = delete;

    platform::WindowId Window() const { return window_; }
    // The editor's text and caret index ("1.16") as last saved; empty when not saved yet.
    QString Text() const;
    QString Caret() const;
    // The keysyms of the keys it received, in order ("Control_L", "v").
    QStringList Keys() const;

private:
    QString Saved() const;
    QString Field(const QString& name) const;

    QTemporaryDir dir_;
    QProcess process_;
    platform::WindowId window_ = 0;
};

}  // namespace quillon::testing
