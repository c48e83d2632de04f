#include "device/simulatedunit.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

// Records the unit's events: P, U, C in order, and the reports it sends.
struct Recorder : TransportListener {
    std::string events;
    std::vector<std::vector<quint8>> reads;
    void OnPlugged(const HidDevice& device) override { events += device.isUnit() ? "P" : "?"; }
    void OnUnplugged(const HidDevice& device) override { events += device.isUnit() ? "U" : "?"; }
    void OnChanged() override { events += 'C'; }
    void OnRead(std::span<const quint8> r) override { reads.emplace_back(r.begin(), r.end()); }
};

struct Session {
    explicit Session(quint64 seed, std::chrono::microseconds latency = 0us) : unit(seed, latency) {
        unit.connect(&recorder);
        unit.enableReadNotify();
    }
    Report ask(Command command) {
        unit.write(Report{0, static_cast<quint8>(command)});
        Report answer{};
        if (recorder.reads.empty() || recorder.reads.back().size() != kReportSize)
            ADD_FAILURE() << "no answer to " << char(command);
        else
            std::copy_n(recorder.reads.back().begin(), kReportSize, answer.begin());
        return answer;
    }
    SimulatedUnit unit;
    Recorder recorder;
};

std::vector<Report> answers(quint64 seed) {
    Session s(seed);
    std::vector<Report> result;
    for (int i = 0; i < 20; ++i)
        for (char c : {'>', '%', '=', '/'}) result.push_back(s.ask(static_cast<Command>(c)));
    return result;
}

}  // namespace

TEST(SimulatedUnit, SameSeedSameReadingsOtherSeedOtherReadings) {
    EXPECT_EQ(answers(42), answers(42));
    EXPECT_NE(answers(42), answers(43));
}

TEST(SimulatedUnit, ReadingsArePlausible) {
    struct Range {
        char command;
        std::function<int(const Report&)> value;
        int low, high;
    };
    const Range ranges[] = {
        {'>', [](const Report& r) { return reportWord(r, 5); }, 59, 61},  // mains hum
        {'>', [](const Report& r) { return reportWord(r, 7); }, 150, 32000},
        {'%', [](const Report& r) { return r[5]; }, 74, 80},
        {'/', [](const Report& r) { return reportWord(r, 1); }, 470, 530},
        {'/', [](const Report& r) { return reportWord(r, 7); }, 470, 530},
        {'=', [](const Report& r) { return reportWord(r, 1); }, 0, 1024},
        {'=', [](const Report& r) { return reportWord(r, 7); }, 0, 1024},
    };
    Session s(7);
    for (int i = 0; i < 300; ++i) {
        for (const Range& range : ranges) {
            const int v = range.value(s.ask(static_cast<Command>(range.command)));
            ASSERT_GE(v, range.low) << range.command;
            ASSERT_LE(v, range.high) << range.command;
        }
    }
}

TEST(SimulatedUnit, ScopeSamplesShowAWaveform) {
    Session s(3);
    int lowest = 65535, highest = 0;
    for (int i = 0; i < 30; ++i) {
        const int a = reportWord(s.ask(Command::ScopeSamples), 1);
        lowest = std::min(lowest, a);
        highest = std::max(highest, a);
    }
    EXPECT_GT(highest - lowest, 40);
}

TEST(SimulatedUnit, AnswersOnlyWhileReadNotifyIsOnAndFaultsAsInjected) {
    SimulatedUnit unit;
    Recorder recorder;
    unit.connect(&recorder);
    unit.write(Report{0, '>'});  // read notification is not on yet
    EXPECT_TRUE(unit.enableReadNotify().enabled);
    unit.write(Report{0, '!', 100});  // never answered
    unit.injectFault(SimulatedUnit::Fault::NoAnswer);
    unit.write(Report{0, '%'});
    unit.injectFault(SimulatedUnit::Fault::UnplugMidRequest);
    unit.write(Report{0, '%'});
    EXPECT_FALSE(unit.write(Report{0, '>'}));
    EXPECT_TRUE(recorder.reads.empty());

    unit.plug();
    unit.enableReadNotify();
    unit.write(Report{0, '>'});
    EXPECT_EQ(recorder.reads.size(), 1u);
    EXPECT_EQ(recorder.events, "PCUCPC");
}

// The latency is slept, not spun: the program waits on the unit without burning a core.
TEST(SimulatedUnit, LatencyPacesWithoutBusyWaiting) {
    Session s(1, 1ms);
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) s.ask(Command::Values);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_GE(wall.count(), 0.100);     // 1 ms each way
    EXPECT_LT(cpu, wall.count() / 20);  // spinning the last 200 us of each transfer takes a tenth
}
