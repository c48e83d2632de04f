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

// A fault meets only the command it is aimed at, once the ones it lets through have passed;
// every other command is answered as by a sound unit with the same seed.
TEST(SimulatedUnit, FaultsMeetTheCommandTheyAreAimedAt) {
    using F = SimulatedUnit::Fault;
    const struct {
        F fault;
        std::size_t reports, size;  // what the faulty command brings
    } cases[] = {
        {F::NoAnswer, 0, 9},
        {F::ShortReport, 1, SimulatedUnit::kShortReportSize},
        {F::LongReport, 1, SimulatedUnit::kLongReportSize},
        {F::GarbageReport, 1, 9},
        {F::ReportStorm, 1 + SimulatedUnit::kStormReports, 9},
    };
    const std::string commands = ">=%==";  // the fault is aimed at the second "="
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.fault));
        Probe faulty(3), sound(3);
        faulty.unit.injectFault(c.fault, 1, Command::ScopeSamples, 1);
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const Report expected = sound.ask(commands[i]);
            const std::size_t before = faulty.reads.size();
            faulty.unit.write(Report{0, static_cast<quint8>(commands[i])});
            const auto got = std::vector(faulty.reads.begin() + before, faulty.reads.end());
            if (i != 3) {
                ASSERT_EQ(got.size(), 1u);
                EXPECT_TRUE(
                    std::equal(expected.begin(), expected.end(), got[0].begin(), got[0].end()));
                continue;
            }
            ASSERT_EQ(got.size(), c.reports);
            for (const auto& report : got) {
                ASSERT_EQ(report.size(), c.size);
                // Cut or padded answers keep what they carry; garbage carries something else.
                const std::size_t kept = std::min(c.size, kReportSize);
                EXPECT_EQ(std::equal(report.begin(), report.begin() + kept, expected.begin()),
                          c.fault != F::GarbageReport);
                EXPECT_TRUE(std::all_of(report.begin() + kept, report.end(),
                                        [](quint8 b) { return b == 0; }));
            }
            if (c.fault == F::GarbageReport) break;  // the draws differ from here on
        }
    }
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
