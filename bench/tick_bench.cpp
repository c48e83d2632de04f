// Acquisition ticks through the engine, as the program runs them: the engine in its own
// thread, its read-outs and scope frames received in another. Prints a line per mode, then
// as its last two lines the slower mode's tick rate with no latency (the program's own
// cost) and how close the "ECM OFF" tick rate with 1 ms per transfer each way comes to the
// bound that latency allows. A last pair of lines gives the cost of the three logs: the
// voltage mode with every log on against every log off, with no latency and at the
// unit's pace. Then the cost of the session store the same way, and the size the store
// grows by per hour.
#include "enginerig.h"
#include "session/sqlitesessionstore.h"

#include <QDirIterator>

#include <cstdio>

using namespace nuvo;
using namespace nuvo::bench;

namespace {

constexpr int kRequestsPerTick = 33;  // ">", "%", 30 x "=", "/"

struct Mode {
    const char* name;
    std::function<void(Engine&)> enter;
};

struct Run {
    double ticksPerSecond = 0;
    double storeMegabytesPerHour = 0;
};

Run run(const Mode& mode, std::chrono::microseconds latency, double seconds, bool store) {
    std::unique_ptr<SqliteSessionStore> sessions;
    const auto makeStore = [&](const QString& dataDir) -> SessionSink* {
        sessions = std::make_unique<SqliteSessionStore>(
            dataDir, [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
        return sessions.get();
    };
    SimulatedUnit unit(1, latency, SimulatedUnit::Pacing::Spin);
    Run result;
    QString storePath;
    {
        EngineRig rig(unit, store ? std::function<SessionSink*(const QString&)>(makeStore) : nullptr);
        storePath = rig.dir.filePath("data/") + SqliteSessionStore::fileName();
        rig.inEngine([&] { mode.enter(rig.engine); });
        result.ticksPerSecond = rig.tickRate(std::chrono::duration<double>(seconds));
        rig.inEngine([&] { rig.engine.shutdown(); });
        sessions.reset();  // everything written and checkpointed
        qint64 bytes = 0;
        for (const char* suffix : {"", "-wal"}) bytes += QFileInfo(storePath + suffix).size();
        result.storeMegabytesPerHour = bytes / 1e6 / seconds * 3600;
    }
    return result;
}

double rate(const Mode& mode, std::chrono::microseconds latency, double seconds) {
    return run(mode, latency, seconds, false).ticksPerSecond;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Mode ecmOff{"ECM OFF", [](Engine& e) { e.menu_click("ITC4"); }};
    // Words flow without a question in constant mode; every new value picks a word.
    const Mode voltage{"ECM Voltage Mode, constant answer", [](Engine& e) {
                           e.menu_click("ITC1");
                           e.Option1_click(7);
                       }};
    double slowest = 0;
    for (const Mode* mode : {&ecmOff, &voltage}) {
        const double r = rate(*mode, std::chrono::microseconds{0}, 2.0);
        std::printf("%s: %.0f ticks per second\n", mode->name, r);
        slowest = slowest == 0 ? r : std::min(slowest, r);
    }
    // The data log is on from the start; the other two join it, then all go off.
    const Mode allLogs{"ECM Voltage Mode, all three logs on", [&](Engine& e) {
                           voltage.enter(e);
                           e.menu_click("logfilerf");
                           e.menu_click("logalarm");
                       }};
    const Mode noLogs{"ECM Voltage Mode, every log off", [&](Engine& e) {
                          voltage.enter(e);
                          e.menu_click("logfileon");
                      }};
    const double withLogs = rate(allLogs, std::chrono::microseconds{0}, 2.0);
    const double withoutLogs = rate(noLogs, std::chrono::microseconds{0}, 2.0);
    std::printf("%s: %.0f ticks per second\n", allLogs.name, withLogs);
    std::printf("%s: %.0f ticks per second\n", noLogs.name, withoutLogs);
    std::printf("log_cost_percent: %.1f\n", 100.0 * (withoutLogs - withLogs) / withoutLogs);
    // With the unit's own pace (1 ms per transfer each way) the logs hide in the waits.
    const double pacedWith = rate(allLogs, std::chrono::milliseconds{1}, 4.0);
    const double pacedWithout = rate(noLogs, std::chrono::milliseconds{1}, 4.0);
    std::printf("log_cost_percent_at_unit_pace: %.1f\n",
                100.0 * (pacedWithout - pacedWith) / pacedWithout);

    // The session store: the same words-flowing mode with the record off and on.
    for (const auto latency : {std::chrono::microseconds{0}, std::chrono::microseconds{1000}}) {
        const double seconds = latency.count() ? 20.0 : 4.0;
        const Run off = run(voltage, latency, seconds, false);
        const Run on = run(voltage, latency, seconds, true);
        const char* pace = latency.count() ? "at_unit_pace" : "no_latency";
        std::printf("store_off_ticks_per_second_%s: %.1f\n", pace, off.ticksPerSecond);
        std::printf("store_on_ticks_per_second_%s: %.1f\n", pace, on.ticksPerSecond);
        std::printf("store_on_over_off_percent_%s: %.1f\n", pace,
                    100.0 * on.ticksPerSecond / off.ticksPerSecond);
        std::printf("store_megabytes_per_hour_%s: %.1f\n", pace, on.storeMegabytesPerHour);
    }

    const double bound = 1000.0 / (kRequestsPerTick * 2);
    const double paced = rate(ecmOff, std::chrono::milliseconds{1}, 4.0);
    std::printf("ticks_per_second: %.0f\n", slowest);
    std::printf("transport_bound_ratio: %.3f\n", paced / bound);
    return 0;
}
