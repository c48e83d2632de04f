// Round trips of the request procedure against the built-in unit with no latency: the
// cost the program itself adds to every exchange with the unit.
#include "device/link.h"
#include "device/simulatedunit.h"

#include <benchmark/benchmark.h>

using namespace nuvo;

static void BM_RequestReport(benchmark::State& state) {
    SimulatedUnit unit(1);
    Link link(unit);
    link.hidconnect();
    const Command command = static_cast<Command>(state.range(0));
    for (auto _ : state) {
        auto answer = link.requestreport(command);
        benchmark::DoNotOptimize(answer);
        if (!answer) state.SkipWithError("no answer");
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["round_trips_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RequestReport)->Arg('>')->Arg('=')->Arg('%')->Arg('/');

BENCHMARK_MAIN();
