// A long session: the engine on the built-in unit at full speed, in constant word mode with
// every log on and alarms tripping on every tick, for a bounded time.
//
//   soak [--seconds N] [--max-growth MB_PER_HOUR]
//
// Once a second it notes the heap in use, once the screen texts have reached their bounds
// (after the first tenth of the run, at least five seconds). The texts make it swing within
// their bounds, so the growth compares the highest value of the last third of the run with
// that of the first third. Prints peak and final memory and the growth per hour; exits 1
// when the growth is above the limit.
#include "enginerig.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace nuvo;
using namespace nuvo::bench;

namespace {

// A field of /proc/self/status in MB ("VmRSS", "VmHWM"); 0 where there is none.
double statusMb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

// What the program holds on its heap, in MB. The resident size also counts memory freed but
// kept by the allocator, which swings with the queue of read-outs between the threads.
double heapInUseMb() {
#ifdef __GLIBC__
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
#else
    return statusMb("VmRSS");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 600;
    double maxGrowth = -1;  // MB per hour; none by default
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--max-growth"))
            maxGrowth = args[i + 1].toDouble();
    }
    const int warmUp = std::max(5, seconds / 10);
    if (seconds < warmUp + 3) {
        std::fprintf(stderr, "usage: soak [--seconds N (at least 8)] [--max-growth MB_PER_HOUR]\n");
        return 2;
    }

    SimulatedUnit unit(11);
    EngineRig rig(unit);
    rig.inEngine([&] {
        Engine& e = rig.engine;
        e.setRestsAfterSpeaking(false);
        e.menu_click("logfilerf");
        e.menu_click("logalarm");
        e.alarm_answer(2, "0");  // frequency above 0
        e.alarm_answer(1, "5");  // voltage below 5
        e.menu_click("ITC1");
        e.Option1_click(7);
    });

    std::vector<double> heap;
    double ticks = 0;
    double rssAfterWarmUp = 0;
    for (int s = 1; s <= seconds; ++s) {
        // Returns once the receiving thread has taken what the engine sent.
        ticks += rig.tickRate(std::chrono::seconds{1});
        if (s == warmUp) rssAfterWarmUp = statusMb("VmRSS");
        if (s >= warmUp) heap.push_back(heapInUseMb());
    }
    const std::size_t third = heap.size() / 3;
    const double first = *std::max_element(heap.begin(), heap.begin() + third);
    const double last = *std::max_element(heap.end() - third, heap.end());
    const double hours = double(heap.size() - third) / 3600;
    const double growth = (last - first) / hours;

    std::printf("seconds: %d\nticks: %.0f\n", seconds, ticks);
    std::printf("rss_after_warm_up_mb: %.1f\nrss_at_end_mb: %.1f\npeak_rss_mb: %.1f\n",
                rssAfterWarmUp, statusMb("VmRSS"), statusMb("VmHWM"));
    std::printf("heap_after_warm_up_mb: %.3f\nheap_at_end_mb: %.3f\n", heap.front(), heap.back());
    std::printf("growth_mb_per_hour: %.2f\n", growth);
    if (maxGrowth >= 0 && growth > maxGrowth) {
        std::printf("the heap grows faster than %.1f MB per hour\n", maxGrowth);
        return 1;
    }
    return 0;
}
