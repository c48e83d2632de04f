// Full acquisition ticks against the built-in unit. Prints, as its last two lines, the tick
// rate with no latency (the engine's own cost) and how close the tick rate with 1 ms per
// transfer each way comes to the bound that latency allows.
#include "app/mainelements.h"
#include "device/link.h"
#include "device/simulatedunit.h"
#include "measure/measurestate.h"
#include "measure/tick.h"
#include "scope/scopeframe.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace nuvo;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRequestsPerTick = 33;  // ">", "%", 30 x "=", "/"

struct Rig {
    explicit Rig(std::chrono::microseconds latency) : unit(1, latency), link(unit) {
        link.hidconnect();
        state.histlen = 10;
        state.offset = 5;
        elements.setChecked("ITC1", false);
        elements.setChecked("ITC4", true);  // continuous measurement, as "ECM OFF" runs it
    }
    void tick() {
        runTick(link, state, elements);
        benchmark::DoNotOptimize(scopeFrame(state, elements));  // the frame the window gets
        elements.takeChanges();
    }
    SimulatedUnit unit;
    Link link;
    MeasureState state;
    ElementStates elements = designElements();
};

double ticksPerSecond(Rig& rig, Clock::duration duration) {
    rig.tick();  // the first tick has no channel levels yet
    int ticks = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < duration) {
        rig.tick();
        ++ticks;
    }
    return ticks / std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_Tick(benchmark::State& state) {
    Rig rig(std::chrono::microseconds{0});
    for (auto _ : state) rig.tick();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Tick);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    Rig fast(std::chrono::microseconds{0});
    const double fastRate = ticksPerSecond(fast, std::chrono::seconds{2});
    Rig paced(std::chrono::milliseconds{1});
    const double bound = 1000.0 / (kRequestsPerTick * 2);
    const double pacedRate = ticksPerSecond(paced, std::chrono::seconds{4});
    std::printf("ticks_per_second: %.0f\n", fastRate);
    std::printf("transport_bound_ratio: %.3f\n", pacedRate / bound);
    return 0;
}
