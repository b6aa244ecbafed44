// CPU use of an otherwise idle program that ticks every 10 ms like the main window: a shown
// window with five lists, the event loop, and on each tick the foreground window and the look-up
// of the focused list among the five. Prints the CPU time against the wall time.
// Needs an X server: scripts/with-x11.sh build/bin/desktop_idle_tick [seconds] [mode]
// Modes: "tick" (default) as described; "bare" ticks without any work (the timer and the event
// loop alone); "xfocus" asks the X server for the focus window on each tick as well.

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/desktop/desktop_session.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::string_view mode = argc > 2 ? argv[2] : "tick";
    quillon::RecordingMessageBox notices;
    auto session = quillon::platform::DesktopSession::Create(notices);
    if (!session->HasX11()) {
        std::fprintf(stderr, "needs an X11 session\n");
        return 2;
    }
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    std::array<QListWidget*, 5> lists{};
    for (QListWidget*& list : lists) {
        list = new QListWidget(&window);
        list->addItems({QStringLiteral("Orders"), QStringLiteral("Customers")});
        layout->addWidget(list);
    }
    window.resize(300, 500);
    window.show();
    lists[1]->setFocus();

    quillon::platform::DesktopServices& services = session->Services();
    const auto ours = static_cast<quillon::platform::WindowId>(window.winId());
    quillon::platform::WindowId previous = 0;
    long ticks = 0;
    long focusedTicks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        if (mode == "bare") {
            return;
        }
        const quillon::platform::WindowId foreground = services.ForegroundWindow();
        if (foreground != 0 && foreground != ours) {
            previous = foreground;
        }
        if (mode == "xfocus") {
            focusedTicks += services.FocusWindow() == ours ? 1 : 0;
        }
        QWidget* focus = QApplication::focusWidget();
        focusedTicks += std::count(lists.begin(), lists.end(), focus);
    });

    // Measured once the window is up, so start-up is not counted.
    double cpuStart = 0;
    QElapsedTimer wall;
    QTimer::singleShot(500, [&] {
        cpuStart = CpuSeconds();
        wall.start();
        tick.start(10);
        QTimer::singleShot(seconds * 1000, [&] { app.quit(); });
    });
    app.exec();

    const double cpu = CpuSeconds() - cpuStart;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    std::printf("mode %.*s: %ld ticks in %.2f s (%.1f per second), %ld with a list focused\n",
                static_cast<int>(mode.size()), mode.data(), ticks, elapsed,
                static_cast<double>(ticks) / elapsed, focusedTicks);
    std::printf("cpu: %.3f s, %.2f%% of one core\n", cpu, 100.0 * cpu / elapsed);
    std::printf("last foreground window other than ours: 0x%x\n", previous);
    return 0;
}
