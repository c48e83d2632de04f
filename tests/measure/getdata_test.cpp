#include "app/mainelements.h"
#include "device/link.h"
#include "device/scriptedtransport.h"
#include "measure/getdata.h"
#include "measure/measurestate.h"

#include <gtest/gtest.h>

using namespace nuvo;
using namespace nuvo::test;

namespace {

constexpr quint32 kRed = 0xFF0000;
constexpr quint32 kCyan = 0x00FFFF;

class GetDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        link.hidconnect();
        reset();
    }
    // As after load, in voltage mode, with the scope levels 300 and 200 and 440/60 Hz.
    void reset() {
        state = MeasureState{};
        state.histlen = 10;
        state.offset = 5;
        state.chalevel = 300;
        state.chblevel = 200;
        state.emf = 40;
        elements = designElements();
        transport.clearWrites();
        answerFrequencies(440, 60);
    }
    void answerFrequencies(int fA, int fB) {
        // Bytes 1-4 carry signal values that get_data does not read.
        transport.respond = [fA, fB](const Report&) {
            return answerBytes({0xAA, 0xAA, 0xAA, 0xAA, quint8(fA >> 8), quint8(fA), quint8(fB >> 8),
                                quint8(fB)});
        };
    }
    void mode(const char* item) {
        for (const char* m : {"ITC1", "ITC2", "ITC3", "ITC4"}) elements.setChecked(m, false);
        elements.setChecked(item, true);
    }
    GetDataResult run() {
        state.waitflag = 1;
        return get_data(link, state, elements);
    }

    ScriptedTransport transport;
    Link link{transport, std::chrono::milliseconds{20}};
    MeasureState state;
    ElementStates elements;
};

}  // namespace

TEST_F(GetDataTest, ReadOutsShowFrequenciesAndVoltages) {
    struct Case {
        double chA, chB;
        int fA, fB;
        const char *freqA, *freqB, *voltsA, *voltsB;
        double favg;
    };
    const Case cases[] = {
        {1024, 1, 999, 1000, " 999 Hz", " 1KHz", "5.00 VDC", ".00 VDC", 999.5},
        {512, 100, 1500, 65535, " 1.5KHz", " 65.535KHz", "2.50 VDC", ".49 VDC", 33517.5},
        {300, 200, 440, 60, " 440 Hz", " 60 Hz", "1.46 VDC", ".98 VDC", 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freqA);
        reset();
        state.chalevel = c.chA;
        state.chblevel = c.chB;
        answerFrequencies(c.fA, c.fB);
        const GetDataResult r = run();
        EXPECT_EQ(elements.text("FREQA"), c.freqA);
        EXPECT_EQ(elements.text("FREQB"), c.freqB);
        EXPECT_EQ(elements.text("CHA_DSP"), c.voltsA);
        EXPECT_EQ(elements.text("CHB_DSP"), c.voltsB);
        EXPECT_DOUBLE_EQ(r.favg, c.favg);
        EXPECT_EQ(transport.commandsWritten(), std::vector<char>{'>'});
    }
}

// Each band checked alone: its lowest frequency on A and its highest on B light both, one
// below and one above do not. 0 Hz ends the call, so the lowest band is tried from 1 Hz.
TEST_F(GetDataTest, CheckedBandsIncludeBothBounds) {
    struct Band {
        const char* item;
        int lowest, highest;
    };
    const Band bands[] = {
        {"subhz", 1, 30},          {"lowhz", 30, 60},          {"lowhz1", 60, 120},
        {"lowhz2", 120, 240},      {"lowhz3", 240, 500},       {"lowmidhz", 500, 1000},
        {"midhz1", 1000, 5000},    {"midhz2", 5000, 10000},    {"highhz1", 10000, 15000},
        {"highhz2", 15000, 25000}, {"highHZ3", 25000, 65535},
    };
    for (const Band& b : bands) {
        SCOPED_TRACE(b.item);
        reset();
        elements.setChecked(b.item, true);
        const int probes[][3] = {
            {b.lowest, b.highest, 3}, {b.lowest - 1, b.highest, 2}, {b.lowest, b.highest + 1, 1}};
        for (const auto& [fA, fB, bandsum] : probes) {
            if (fA == 0 || fB > 65535) continue;  // not a frequency the unit reports
            answerFrequencies(fA, fB);
            EXPECT_EQ(run().bandsum, bandsum) << fA << " Hz, " << fB << " Hz";
            EXPECT_EQ(elements.state("FREQA").color, bandsum & 1 ? kRed : kCyan);
            EXPECT_EQ(elements.state("FREQB").color, bandsum & 2 ? kRed : kCyan);
        }
    }

    // Any checked band counts, not only the first.
    reset();
    elements.setChecked("subhz", true);
    elements.setChecked("highHZ3", true);
    answerFrequencies(20, 30000);
    EXPECT_EQ(run().bandsum, 3);
}

// Voltage mode (v = chA + chB), offset 5 or 20, histlen 10, next history write at 3.
TEST_F(GetDataTest, ChangeDetectionLevelAndTrend) {
    struct Case {
        const char* why;
        qint16 level, prevlevel, offset;
        int v;
        int inHistoryAt;  // -1: in no history slot
        bool inBand;      // fB lies in a checked RF band
        int change;
        char trend;
        qint16 newLevel;
        const char* average;
    };
    const Case cases[] = {
        {"inside the band", 100, 100, 5, 104, -1, false, 1, '+', 102, ".25"},
        {"top edge", 100, 100, 20, 120, -1, false, 1, '+', 110, ".27"},
        {"one above", 100, 100, 20, 121, -1, false, 0, '+', 110, ".27"},  // 110.5 -> 110
        {"bottom edge", 100, 100, 20, 80, -1, false, 1, '-', 90, ".22"},
        {"one below", 100, 100, 20, 79, -1, false, 0, '-', 90, ".22"},  // 89.5 -> 90
        {"first history slot", 100, 100, 20, 300, 0, false, 1, '+', 200, ".49"},
        {"last history slot", 100, 100, 20, 300, 10, false, 1, '+', 200, ".49"},
        {"slot past the ring", 100, 100, 20, 300, 11, false, 0, '+', 200, ".49"},
        {"new value in a checked band", 100, 100, 20, 300, -1, true, 0, '+', 200, ".49"},
        {"trend against prevlevel", 100, 200, 20, 150, -1, false, 0, '-', 175, ".43"},
        {"steady", 100, 104, 5, 104, -1, false, 1, '=', 104, ".25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        reset();
        state.level = c.level;
        state.prevlevel = c.prevlevel;
        state.offset = c.offset;
        state.histpos = 3;
        if (c.inHistoryAt >= 0) state.levelhist[c.inHistoryAt] = qint16(c.v);
        state.chalevel = c.v - 50;
        state.chblevel = 50;
        if (c.inBand) {
            elements.setChecked("highHZ3", true);
            answerFrequencies(440, 30000);
        }
        const GetDataResult r = run();
        EXPECT_EQ(r.v, c.v);
        EXPECT_EQ(r.change, c.change);
        EXPECT_EQ(elements.text("TRENDDSP"), QString(QChar(c.trend)));
        EXPECT_EQ(state.trend, c.trend == '+' ? 2 : c.trend == '-' ? 1 : 0);
        EXPECT_EQ(state.level, c.newLevel);
        EXPECT_EQ(state.prevlevel, c.newLevel);
        EXPECT_EQ(elements.text("tholddsp"), QString::fromLatin1(c.average) + " VDC");

        const bool word = c.change == 0 && !c.inBand;
        EXPECT_EQ(r.wordDue, word);
        EXPECT_EQ(state.levelhist[3], word ? c.v : 0);
        EXPECT_EQ(state.histpos, word ? 4 : 3);
    }
}

TEST_F(GetDataTest, HistoryRingHoldsHistlenPlusOneValues) {
    state.histlen = 3;
    const int nextPos[] = {1, 2, 3, 0, 1};
    for (int i = 0; i < 5; ++i) {
        state.level = state.prevlevel = 2000;  // every value is far from the level
        state.chalevel = 100 * (i + 1);        // v = 300, 400, ..., 700
        ASSERT_TRUE(run().wordDue) << i;
        EXPECT_EQ(state.histpos, nextPos[i]) << i;
    }
    const qint16 ring[] = {700, 400, 500, 600, 0};  // the oldest was overwritten
    for (int j = 0; j < 5; ++j) EXPECT_EQ(state.levelhist[j], ring[j]) << j;
}

// Levels 300 and 200, emf 40, nothing in the history yet.
TEST_F(GetDataTest, EachModeFollowsItsValue) {
    struct Case {
        const char* mode;
        bool highSpeed;
        int fA, fB;
        int v;      // -1: no mode value
        bool asks;  // the unit is asked for its values
    };
    const Case cases[] = {
        {"ITC1", false, 440, 61, 500, true},
        {"ITC1", true, 440, 61, 500, true},
        {"ITC2", false, 440, 61, 501, true},
        {"ITC2", false, 30000, 20000, 32767, true},  // held at the top of the 16-bit level
        {"ITC3", false, 440, 61, 40, true},
        {"ITC3", true, 440, 61, 40, false},  // only the EMF figure matters
        {"ITC4", false, 440, 61, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << (c.highSpeed ? " HSPh " : " ") << c.fA);
        reset();
        mode(c.mode);
        elements.setChecked("HSPh", c.highSpeed);
        answerFrequencies(c.fA, c.fB);
        const GetDataResult r = run();
        EXPECT_TRUE(r.completed);
        EXPECT_EQ(transport.commandsWritten(), c.asks ? std::vector<char>{'>'} : std::vector<char>{});
        EXPECT_EQ(r.fA, c.asks ? c.fA : 0);
        EXPECT_EQ(elements.text("FREQA").isEmpty(), !c.asks);
        EXPECT_EQ(elements.text("TRENDDSP").isEmpty(), c.v < 0);
        EXPECT_EQ(elements.text("tholddsp").isEmpty(), c.v < 0);
        EXPECT_EQ(r.wordDue, c.v >= 0);
        if (c.v >= 0) {
            EXPECT_EQ(r.v, c.v);
            EXPECT_EQ(state.levelhist[0], c.v);
        }
        EXPECT_EQ(state.waitflag, 0);
    }
}

TEST_F(GetDataTest, ZeroLevelZeroFrequencyOrNoAnswerEndsTheCallUnseen) {
    struct Case {
        double chA, chB;
        int fA, fB;
        bool answers;
    };
    // No answer last: it leaves the link owing the unit a late answer.
    const Case cases[] = {{0, 200, 440, 60, true},
                          {300, 0, 440, 60, true},
                          {300, 200, 0, 60, true},
                          {300, 200, 440, 0, true},
                          {300, 200, 440, 60, false}};
    run();  // read-outs and a level of an earlier tick
    const MeasureState before = state;
    elements.takeChanges();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chA << " " << c.chB << " " << c.fA << " " << c.fB);
        state.chalevel = c.chA;
        state.chblevel = c.chB;
        answerFrequencies(c.fA, c.fB);
        if (!c.answers) transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
        const GetDataResult r = run();
        EXPECT_EQ(r.unitAnswered, c.answers);
        EXPECT_FALSE(r.completed);
        EXPECT_FALSE(r.wordDue);
        EXPECT_EQ(state.waitflag, 0);
        EXPECT_TRUE(elements.takeChanges().isEmpty());
        EXPECT_EQ(state.level, before.level);
        EXPECT_EQ(state.levelhist, before.levelhist);
        EXPECT_EQ(state.histpos, before.histpos);
    }
}
