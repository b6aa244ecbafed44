// Cost of the platform work of one 10 ms tick of the main window, with a window of ours shown and
// active: the foreground window (kept current from the server's property change events) and the
// look-up of the focused list among five (Qt's focus widget: the lists have no X windows of their
// own). For comparison, the keyboard focus as the X server tells it, a round trip.
// Needs an X server: scripts/with-x11.sh build/bin/desktop_tick_bench

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <array>
#include <memory>

#include "desktop/virtual_keys.h"
#include "platform/x11/x11_session.h"

namespace {

using quillon::platform::x11::X11Session;

std::unique_ptr<X11Session> gSession;

void BM_ForegroundWindow(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(gSession->Services().ForegroundWindow());
    }
}
BENCHMARK(BM_ForegroundWindow);

void BM_FocusWindow(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(gSession->Services().FocusWindow());
    }
}
BENCHMARK(BM_FocusWindow);

std::array<QWidget*, 5> gLists{};

void BM_TickPlatformWork(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(gSession->Services().ForegroundWindow());
        QWidget* focus = QApplication::focusWidget();
        benchmark::DoNotOptimize(std::find(gLists.begin(), gLists.end(), focus));
    }
}
BENCHMARK(BM_TickPlatformWork);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gSession = X11Session::Connect([](int virtualKey) {
        return quillon::desktop::KeysymFromVirtualKey(virtualKey).value_or(0);
    });
    if (!gSession) {
        return 2;  // no X server
    }
    QWidget window;
    for (QWidget*& list : gLists) {
        list = new QListWidget(&window);
    }
    window.show();
    gLists[1]->setFocus();
    const auto ours = static_cast<quillon::platform::WindowId>(window.winId());
    if (!QTest::qWaitFor([&] { return gSession->Services().ForegroundWindow() == ours; }, 5000)) {
        return 3;  // no window manager made our window active
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gSession.reset();
    return 0;
}
