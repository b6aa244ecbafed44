#include "x11_test_support.h"

#include <QFile>
#include <QTest>

namespace quillon::testing {
namespace {

const QString kEditorTitle = QStringLiteral("quillon test editor");

std::string WindowTitle(const platform::x11::XcbConnection& connection, xcb_window_t window) {
    xcb_connection_t* c = connection.get();
    platform::x11::XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
        nullptr));
    if (!reply || reply->format != 8) {
        return {};
    }
    return {static_cast<const char*>(xcb_get_property_value(reply.get())),
            static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return QTest::qWaitFor(done, static_cast<int>(limit.count()));
}

bool RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

platform::WindowId FindClientWindow(const platform::x11::XcbConnection& connection,
                                    const std::string& title) {
    using platform::x11::Atom;
    for (std::uint32_t window : connection.ListProperty(
             connection.Root(), connection.atom(Atom::NetClientListStacking), XCB_ATOM_WINDOW)) {
        if (WindowTitle(connection, window) == title) {
            return window;
        }
    }
    return 0;
}

TkEditor::TkEditor(const platform::x11::XcbConnection& connection, const QString& text,
                   const QString& caret) {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral("wish"),
                   {QStringLiteral(QUILLON_TK_EDITOR_SCRIPT),
                    dir_.filePath(QStringLiteral("editor.txt")), kEditorTitle, text, caret});
    if (!process_.waitForStarted(5000)) {
        return;
    }
    const std::string title = kEditorTitle.toStdString();
    const xcb_atom_t active = connection.atom(platform::x11::Atom::NetActiveWindow);
    platform::WindowId found = 0;
    const bool ready = WaitUntil([&] {
        found = FindClientWindow(connection, title);
        return found != 0 && connection.WindowProperty(connection.Root(), active) == found &&
               !Saved().isEmpty();
    });
    window_ = ready ? found : 0;
}

TkEditor::~TkEditor() {
    process_.kill();
    process_.waitForFinished(5000);
}

QString TkEditor::Saved() const {
    QFile file(dir_.filePath(QStringLiteral("editor.txt")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QString TkEditor::Text() const {
    const QString saved = Saved();
    const qsizetype caretLine = saved.lastIndexOf(QStringLiteral("\ncaret="));
    return caretLine < 0 ? QString() : saved.left(caretLine);
}

QString TkEditor::Field(const QString& name) const {
    const QString saved = Saved();
    const QString start = QLatin1Char('\n') + name + QLatin1Char('=');
    const qsizetype at = saved.lastIndexOf(start);
    if (at < 0) {
        return {};
    }
    const qsizetype from = at + start.size();
    return saved.mid(from, saved.indexOf(QLatin1Char('\n'), from) - from);
}

QString TkEditor::Caret() const {
    return Field(QStringLiteral("caret"));
}

QStringList TkEditor::Keys() const {
    return Field(QStringLiteral("keys")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

}  // namespace quillon::testing
