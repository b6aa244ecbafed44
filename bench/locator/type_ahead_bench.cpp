// Cost of one typed character in a located list: the search walks the queue from the first
// row, so a character that matches only the last row (or none) is the most expensive.
//   build/bin/locator_type_ahead_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeView>
#include <string>

#include "desktop/list_locator.h"
#include "platform/window/queue_models.h"

namespace {

using quillon::desktop::ListLocator;
using quillon::desktop::WindowHook;
namespace msg = quillon::desktop::msg;

struct Row {
    std::string DESCRIPTION;
};

void TypeOneCharacter(benchmark::State& state, char typed) {
    const int rows = static_cast<int>(state.range(0));
    quillon::window::Queue<Row> queue;
    for (int i = 1; i < rows; ++i) {
        queue.Append({"Table" + std::to_string(100000 + i)});
    }
    queue.Append({"Zeta"});
    quillon::window::QueueListModel<Row> model(queue,
                                               {quillon::window::FieldColumn(&Row::DESCRIPTION)});
    QTreeView list;
    list.setModel(&model);
    ListLocator locator;
    locator.Init(queue, &list);
    locator.SetSearchField(&Row::DESCRIPTION);
    for (auto _ : state) {
        WindowHook::Dispatch(&list, msg::kChar, static_cast<quillon::desktop::WParam>(typed), 0);
        locator.Reset();
        QCoreApplication::processEvents();  // the posted new selections
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void MatchInTheLastRow(benchmark::State& state) {
    TypeOneCharacter(state, 'z');
}
void NoMatch(benchmark::State& state) {
    TypeOneCharacter(state, 'q');
}

BENCHMARK(MatchInTheLastRow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(NoMatch)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
