#include "device/simulatedunit.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

// The built-in unit with a listener recording its events (P, U, C in order) and reports.
struct Probe : TransportListener {
    explicit Probe(quint64 seed, std::chrono::microseconds latency = 0us, bool readNotify = true)
        : unit(seed, latency) {
        unit.connect(this);
        if (readNotify) unit.enableReadNotify();
    }
    void OnPlugged(const HidDevice& device) override { events += device.isUnit() ? 'P' : '?'; }
    void OnUnplugged(const HidDevice& device) override { events += device.isUnit() ? 'U' : '?'; }
    void OnChanged() override { events += 'C'; }
    void OnRead(std::span<const quint8> r) override { reads.emplace_back(r.begin(), r.end()); }

    // The answer to `command`, all zero when none came.
    Report ask(char command) {
        const std::size_t before = reads.size();
        unit.write(Report{0, static_cast<quint8>(command)});
        Report answer{};
        if (reads.size() == before + 1 && reads.back().size() == kReportSize)
            std::copy_n(reads.back().begin(), kReportSize, answer.begin());
        else
            ADD_FAILURE() << "no answer to " << command;
        return answer;
    }

    SimulatedUnit unit;
    std::string events;
    std::vector<std::vector<quint8>> reads;
};

}  // namespace

TEST(SimulatedUnit, ReadingsArePlausibleAndFollowFromTheSeed) {
    const auto answers = [](quint64 seed) {
        Probe p(seed);
        std::vector<Report> result;
        for (int i = 0; i < 20; ++i)
            for (char c : {'>', '%', '=', '/'}) result.push_back(p.ask(c));
        return result;
    };
    EXPECT_EQ(answers(42), answers(42));
    EXPECT_NE(answers(42), answers(43));

    const struct {
        char command;
        std::function<int(const Report&)> value;
        int low, high;
    } ranges[] = {
        {'>', [](const Report& r) { return reportWord(r, 5); }, 59, 61},  // mains hum
        {'>', [](const Report& r) { return reportWord(r, 7); }, 150, 32000},
        {'%', [](const Report& r) { return r[5]; }, 74, 80},
        {'/', [](const Report& r) { return reportWord(r, 1); }, 470, 530},
        {'/', [](const Report& r) { return reportWord(r, 7); }, 470, 530},
        {'=', [](const Report& r) { return reportWord(r, 1); }, 0, 1024},
        {'=', [](const Report& r) { return reportWord(r, 7); }, 0, 1024},
    };
    Probe p(7);
    for (int i = 0; i < 300; ++i) {
        for (const auto& range : ranges) {
            const int v = range.value(p.ask(range.command));
            ASSERT_GE(v, range.low) << range.command;
            ASSERT_LE(v, range.high) << range.command;
        }
    }
    // Without a '>' in between the levels hold still: what swings is the waveform.
    int lowest = 65535, highest = 0;
    for (int i = 0; i < 30; ++i) {
        const int a = reportWord(p.ask('='), 1);
        lowest = std::min(lowest, a);
        highest = std::max(highest, a);
    }
    EXPECT_GT(highest - lowest, 40);
}

TEST(SimulatedUnit, AnswersOnlyWhileReadNotifyIsOnAndFaultsAsInjected) {
    Probe p(1, 0us, false);
    p.unit.write(Report{0, '>'});  // read notification is not on yet
    EXPECT_TRUE(p.unit.enableReadNotify().enabled);
    p.unit.write(Report{0, '!', 100});  // never answered
    p.unit.injectFault(SimulatedUnit::Fault::NoAnswer);
    p.unit.write(Report{0, '%'});
    p.unit.injectFault(SimulatedUnit::Fault::UnplugMidRequest);
    p.unit.write(Report{0, '%'});
    EXPECT_FALSE(p.unit.write(Report{0, '>'}));
    EXPECT_TRUE(p.reads.empty());

    p.unit.plug();
    p.unit.enableReadNotify();
    p.ask('>');
    EXPECT_EQ(p.events, "PCUCPC");
}

// The latency is slept, not spun: the program waits on the unit without burning a core.
TEST(SimulatedUnit, LatencyPacesWithoutBusyWaiting) {
    Probe p(1, 1ms);
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) p.ask('>');
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_GE(wall.count(), 0.100);     // 1 ms each way
    EXPECT_LT(cpu, wall.count() / 20);  // spinning the last 200 us of each transfer takes a tenth
}
