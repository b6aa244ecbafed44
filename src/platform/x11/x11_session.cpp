#include "platform/x11/x11_session.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QtDebug>

namespace quillon::platform::x11 {

std::unique_ptr<X11Session> X11Session::Connect(X11HotKeyGrabber::KeysymLookup keysymOf) {
    auto connection = std::make_unique<XcbConnection>();
    if (!connection->Ok()) {
        return nullptr;
    }
    return std::unique_ptr<X11Session>(new X11Session(std::move(connection), std::move(keysymOf)));
}

X11Session::X11Session(std::unique_ptr<XcbConnection> connection,
                       X11HotKeyGrabber::KeysymLookup keysymOf)
    : connection_(std::move(connection)),
      keyboard_(*connection_),
      services_(*connection_, keyboard_),
      grabber_(*connection_, keyboard_, std::move(keysymOf)),
      pasteKeys_(*connection_, keyboard_),
      notifier_(xcb_get_file_descriptor(connection_->get()), QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &X11Session::ProcessEvents);
    // A round trip (a query, a checked grab) may read events into xcb's queue without any more
    // bytes arriving on the socket, so the queue is also emptied before the event loop waits.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &X11Session::ProcessQueuedEvents);
    }
    connection_->Flush();
}

X11Session::~X11Session() = default;

void X11Session::ProcessEvents() {
    xcb_connection_t* c = connection_->get();
    while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        Handle(event.get());
    }
    if (xcb_connection_has_error(c) != 0) {
        notifier_.setEnabled(false);
        if (!reportedLostConnection_) {
            reportedLostConnection_ = true;
            qWarning("The connection to the X server was lost: hot keys and pasting stop.");
        }
    }
}

void X11Session::ProcessQueuedEvents() {
    while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_queued_event(connection_->get())}) {
        Handle(event.get());
    }
}

void X11Session::Handle(const xcb_generic_event_t* event) {
    if (event->response_type == 0) {
        // An error of a request nobody waits for (focus on a window that just closed, ungrab
        // of a key the server dropped with its window): nothing to undo.
        return;
    }
    if (keyboard_.HandleEvent(event)) {
        grabber_.Regrab();
        return;
    }
    if (!services_.HandleEvent(event)) {
        grabber_.HandleEvent(event);
    }
}

}  // namespace quillon::platform::x11
