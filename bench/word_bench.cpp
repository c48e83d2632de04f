// Time from a new reading reaching the engine to the word's hand-over to voice 1: the
// unit's answer to ">" enters the link, the tick finds a new value, the word stage picks
// the entry and says it. Prints the median and the 99th percentile in microseconds.
#include "enginerig.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

using namespace nuvo;
using namespace nuvo::bench;
using Clock = std::chrono::steady_clock;

namespace {

// The built-in unit, with the moment each answer to ">" reaches the link noted.
class StampingUnit : public Transport, public TransportListener {
public:
    bool connect(TransportListener* listener) override {
        m_listener = listener;
        return m_unit.connect(this);
    }
    bool disconnect() override { return m_unit.disconnect(); }
    ReadNotify enableReadNotify() override { return m_unit.enableReadNotify(); }
    bool write(const Report& report) override {
        m_lastCommand = report[1];
        return m_unit.write(report);
    }
    void OnPlugged(const HidDevice& d) override { m_listener->OnPlugged(d); }
    void OnUnplugged(const HidDevice& d) override { m_listener->OnUnplugged(d); }
    void OnChanged() override { m_listener->OnChanged(); }
    void OnRead(std::span<const quint8> report) override {
        if (m_lastCommand == '>') readingArrived = Clock::now();
        m_listener->OnRead(report);
    }

    Clock::time_point readingArrived;

private:
    SimulatedUnit m_unit{7};
    TransportListener* m_listener = nullptr;
    quint8 m_lastCommand = 0;
};

struct TimingVoice : Voice {
    explicit TimingVoice(StampingUnit& unit) : unit(unit) {}
    quint64 say(const QString&, Delivery) override {
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - unit.readingArrived).count());
        return latencies.size();
    }
    StampingUnit& unit;
    std::vector<double> latencies;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    StampingUnit unit;
    TimingVoice voice(unit);
    {
        EngineRig rig(unit);
        rig.inEngine([&] {
            rig.engine.setVoices({&voice, nullptr, nullptr, nullptr});
            rig.engine.setRestsAfterSpeaking(false);
            rig.engine.menu_click("ITC1");
            rig.engine.menu_click("speechON");
            rig.engine.Option1_click(7);  // constant answer: words without a time limit
        });
        rig.tickRate(std::chrono::seconds(3));
    }
    std::vector<double> l = voice.latencies;
    if (l.empty()) {
        std::printf("no word was spoken\n");
        return 1;
    }
    std::sort(l.begin(), l.end());
    const auto at = [&](double q) { return l[std::min(l.size() - 1, std::size_t(q * l.size()))]; };
    std::printf("words: %zu\n", l.size());
    std::printf("reading_to_say_median_us: %.1f\n", at(0.5));
    std::printf("reading_to_say_p99_us: %.1f\n", at(0.99));
    return 0;
}
