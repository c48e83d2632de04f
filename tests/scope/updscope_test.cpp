#include "common/numbertext.h"
#include "scope/scopeframe.h"
#include "scope/updscope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "measure/unitrig.h"
#include "settings/filebytes.h"  // readable QString failures

using namespace nuvo;
using namespace nuvo::test;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << ", " << p.y() << ")"; }
QT_END_NAMESPACE

namespace {

using Pass = Words;  // samples of one answer: first A, first B, second A, second B

// Pass n answers `first` when n is a multiple of `every`, else `rest`.
struct Burst {
    Pass first;
    int every = 1;
    Pass rest{};
};

struct UpdscopeTest : ::testing::Test, UnitRig {
    // From pass `quietFrom` on, nothing answers.
    bool run(const Burst& burst, int quietFrom = kScopePasses) {
        int pass = 0;
        transport.respond = [&](const Report&) -> ScriptedTransport::Reply {
            const int n = pass++;
            if (n >= quietFrom) return std::nullopt;
            return wordsAnswer(n % burst.every == 0 ? burst.first : burst.rest);
        };
        transport.clearWrites();
        state.waitflag = 1;  // the tick announces the stage
        return updscope(link, state, elements);
    }
    // Position j of scopeab, scopea and scopeb.
    std::array<int, 3> at(int j) const {
        return {state.scopeab[j], state.scopea[j], state.scopeb[j]};
    }
};

// Pass i stores its two samples at positions 1 + 4i and 2 + 4i; the rest keep their values.
TEST_F(UpdscopeTest, EachPassFillsTwoPositionsRoundedHalfToEven) {
    using Samples = std::array<int, 3>;  // scopeab, scopea, scopeb
    const std::tuple<Pass, Samples, Samples> cases[] = {
        {{1024, 1024, 1024, 1024}, {2000, 2000, 2000}, {2000, 2000, 2000}},
        {{32, 32, 96, 96}, {62, 62, 62}, {188, 188, 188}},  // 62.5; 187.5
        {{1, 0, 1000, 1023}, {1, 2, 0}, {1976, 1953, 1998}},
        {{160, 0, 0, 224}, {156, 312, 0}, {219, 0, 438}},                      // 312.5; 437.5
        {{65535, 65535, 20000, 0}, {32767, 32767, 32767}, {19531, 32767, 0}},  // saturated
    };
    for (const auto& [reply, first, second] : cases) {
        for (auto* samples : {&state.scopeab, &state.scopea, &state.scopeb}) samples->fill(-7);
        ASSERT_TRUE(run({reply}));
        for (int j = 0; j < kScopePositions; ++j) {
            SCOPED_TRACE(testing::Message() << "A " << reply[0] << ", position " << j);
            const bool written = j >= 1 && j <= 118;
            const Samples expected = written && j % 4 == 1   ? first
                                     : written && j % 4 == 2 ? second
                                                             : Samples{-7, -7, -7};
            EXPECT_EQ(at(j), expected);
        }
    }
}

// Only the first sample of each pass counts; the second is full scale or zero throughout.
TEST_F(UpdscopeTest, ReadOutsComeFromTheFirstSamples) {
    const std::tuple<Burst, const char*, const char*, const char*, int, double, double> cases[] = {
        // No falls; emf rounds A first: round(97.66) + 97.66 -> 196, not 195.
        {{{200, 200, 200, 200}}, ".", ".", ".", 196, 500, 500},
        {{{512, 0, 0, 0}, 2, {0, 256, 1024, 1024}}, "6.65", "8.86", "4.43", 188, 640, 320},
        {{{1024, 1024, 0, 0}, 30}, ".08", ".08", ".08", 34, 85, 85},  // the first pass never falls
        {{{50, 100, 0, 0}, 3, {100, 0, 0, 0}}, "1.35", "1.92", ".77", 57, 208, 83},  // A rises, A +
                                                                                     // B falls
        // rawA 12,400 is limited; integer parts of 1023.9 and 1024.9; of .9
        {{{423, 200, 1024, 1024}, 30, {413, 200, 1024, 1024}}, ".71", ".95", ".46", 300, 1024, 500},
        {{{397, 409, 1024, 1024}, 30, {410, 410, 1024, 1024}}, ".", ".", ".", 400, 1023, 1024},
        {{{0, 11, 1024, 1024}, 30, {0, 0, 1024, 1024}}, ".", ".", ".", 0, 0, 0},
        {{{65535, 65535, 20000, 0}}, ".", ".", ".", 32767, 1024, 1024},  // beyond the ADC range
    };
    for (const auto& [burst, display, texta, textb, emf, chalevel, chblevel] : cases) {
        SCOPED_TRACE(emf);
        ASSERT_TRUE(run(burst));
        const QStringList shown{elements.text("EMFdisplay1"), state.emftexta, state.emftextb};
        EXPECT_EQ(shown.join('|'), QString("%1 mG|%2 mG|%3 mG").arg(display, texta, textb));
        EXPECT_EQ(std::tuple(state.emf, state.chalevel, state.chblevel, state.waitflag),
                  std::tuple(emf, chalevel, chblevel, 0));
        EXPECT_EQ(takeSent(), std::string(30, '='));
    }
}

TEST_F(UpdscopeTest, AMissingAnswerKeepsEveryPreviousValue) {
    for (int quietFrom : {0, 9, 29}) {
        SCOPED_TRACE(quietFrom);
        ASSERT_TRUE(run({{100, 200, 300, 400}, 2}));  // what an earlier tick left
        elements.takeChanges();
        const auto results = [this] {
            return std::tuple(state.scopeab, state.scopea, state.scopeb, state.chalevel,
                              state.chblevel, state.emf, state.emftexta, state.emftextb);
        };
        const auto before = results();

        EXPECT_FALSE(run({{1024, 0, 0, 1024}}, quietFrom));
        EXPECT_EQ(takeSent(), std::string(quietFrom + 1, '='));  // none after the unanswered
        EXPECT_EQ(state.waitflag, 0);
        EXPECT_EQ(results(), before);
        EXPECT_TRUE(elements.takeChanges().isEmpty());

        // The unit's late answer arrives and is dropped; the next full burst goes through.
        transport.deliver(wordsAnswer({1, 1, 1, 1}));
        EXPECT_TRUE(run({{1024, 1024, 0, 0}}));
        EXPECT_EQ(at(1), (std::array<int, 3>{2000, 2000, 2000}));
    }
}

// The drawn trace of channel A for a burst whose j-th sample (0..59, two per pass) is
// wave(j): at every time base its corners are the measured samples in order, one step
// apart except across the positions no pass writes, and never a zero between them.
TEST_F(UpdscopeTest, TheTraceRunsThroughTheMeasuredSamplesInOrder) {
    const std::pair<const char*, std::function<int(int)>> waves[] = {
        {"constant", [](int) { return 400; }},
        {"ramp", [](int j) { return 17 * j; }},
        {"60 Hz at 1 kHz", [](int j) { return int(std::lround(512 + 400 * std::sin(0.377 * j))); }},
    };
    // Step of each time base, and how many samples fit across the box at it.
    const std::pair<int, int> timeBases[] = {{kStepTb1, 4}, {kStepTb5, 6}, {kStepTb10, 12},
                                              {kStepTb100, 59}};
    for (const auto& [name, wave] : waves) {
        int pass = 0;
        transport.respond = [&, wave = wave](const Report&) -> ScriptedTransport::Reply {
            const int j = 2 * pass++;
            return wordsAnswer({quint16(wave(j)), 0, quint16(wave(j + 1)), 0});
        };
        state.waitflag = 1;
        ASSERT_TRUE(updscope(link, state, elements));
        for (const auto& [step, count] : timeBases) {
            SCOPED_TRACE(testing::Message() << name << ", step " << step);
            QList<QPoint> expected;
            for (int j = 0; j < count; ++j) {
                const int position = 1 + 4 * (j / 2) + j % 2;
                const int sample = int(roundHalfEven(wave(j) * 2000 / 1024.0));
                expected.append(QPoint(1 + (position - 1) * step, kScopeFullScale - sample));
            }
            EXPECT_EQ(tracePoints(state.scopea, step, 3500), expected);
        }
    }
}

}  // namespace
