#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace quillon::window {

// Tells the program that the user's session is ending: the session manager asks it to save
// its data, or the process gets SIGTERM or SIGHUP. Each time, QueryEndSession comes first and
// then, if the program is still running, EndSession. While one of these objects lives, the
// two signals no longer end the process by themselves; the previous handling comes back when
// it goes. One at a time per process.
class SessionEnd final : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

    bool HandlesSignals() const { return notifier_ != nullptr; }

signals:
    void QueryEndSession();
    void EndSession();

private:
    void Ending();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quillon::window
