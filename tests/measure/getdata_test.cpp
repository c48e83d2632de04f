#include "measure/getdata.h"

#include <gtest/gtest.h>

#include "measure/unitrig.h"
#include "settings/filebytes.h"  // readable QString failures

using namespace nuvo;
using namespace nuvo::test;

namespace {

constexpr quint32 kRed = 0xFF0000;
constexpr quint32 kCyan = 0x00FFFF;

// Voltage mode with the scope levels 300 and 200 and emf 40.
struct Rig : UnitRig {
    explicit Rig(int fA = 440, int fB = 60) {
        state.chalevel = 300;
        state.chblevel = 200;
        state.emf = 40;
        report(fA, fB);
    }
    // The unit reports fA and fB after two signal words get_data does not read; fA < 0:
    // no answer.
    void report(int fA, int fB) {
        answer(fA < 0 ? std::nullopt
                      : std::optional(Words{0xAAAA, 0xAAAA, quint16(fA), quint16(fB)}));
    }
    GetDataResult run() {
        state.waitflag = 1;
        return get_data(link, state, elements);
    }
};

}  // namespace

// Consecutive calls. A zero level or frequency, or no answer (-1), ends the call unseen
// (no texts given).
TEST(GetData, ReadOutsShowFrequenciesAndVoltages) {
    struct Case {
        double chA, chB;
        int fA, fB;
        const char *freqA = nullptr, *freqB = nullptr, *voltsA = nullptr, *voltsB = nullptr;
    };
    const Case cases[] = {
        {1024, 1, 999, 1000, " 999 Hz", " 1KHz", "5.00 VDC", ".00 VDC"},
        {0, 200, 440, 60},
        {512, 100, 1500, 65535, " 1.5KHz", " 65.535KHz", "2.50 VDC", ".49 VDC"},
        {300, 0, 440, 60},
        {300, 200, 440, 60, " 440 Hz", " 60 Hz", "1.46 VDC", ".98 VDC"},
        {300, 200, 0, 60},
        {300, 200, 440, 0},
        {300, 200, -1, -1},  // last: the link now owes the unit a late answer
    };
    Rig rig;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chA << " " << c.chB << " " << c.fA << " " << c.fB);
        rig.state.chalevel = c.chA;
        rig.state.chblevel = c.chB;
        rig.report(c.fA, c.fB);
        rig.elements.takeChanges();
        const GetDataResult r = rig.run();
        EXPECT_EQ(rig.takeSent(), ">");
        EXPECT_EQ(rig.state.waitflag, 0);
        EXPECT_EQ(r.unitAnswered, c.fA >= 0);
        EXPECT_EQ(r.completed, c.freqA != nullptr);
        if (!c.freqA) {
            EXPECT_TRUE(rig.elements.takeChanges().isEmpty());
            continue;
        }
        const ElementStates& e = rig.elements;
        EXPECT_EQ(
            (QStringList{e.text("FREQA"), e.text("FREQB"), e.text("CHA_DSP"), e.text("CHB_DSP")}),
            (QStringList{c.freqA, c.freqB, c.voltsA, c.voltsB}));
        EXPECT_DOUBLE_EQ(r.favg, (c.fA + c.fB) / 2.0);
    }
}

// Each band checked alone: its lowest frequency on A and its highest on B light both, one
// below and one above do not. 0 Hz ends the call, so the lowest band is tried from 1 Hz.
TEST(GetData, CheckedBandsIncludeBothBounds) {
    const std::tuple<const char*, int, int> bands[] = {
        {"subhz", 1, 30},          {"lowhz", 30, 60},         {"lowhz1", 60, 120},
        {"lowhz2", 120, 240},      {"lowhz3", 240, 500},      {"lowmidhz", 500, 1000},
        {"midhz1", 1000, 5000},    {"midhz2", 5000, 10000},   {"highhz1", 10000, 15000},
        {"highhz2", 15000, 25000}, {"highHZ3", 25000, 65535},
    };
    for (const auto& [item, lowest, highest] : bands) {
        SCOPED_TRACE(item);
        Rig rig;
        rig.elements.setChecked(item, true);
        const int probes[][3] = {
            {lowest, highest, 3}, {lowest - 1, highest, 2}, {lowest, highest + 1, 1}};
        for (const auto& [fA, fB, bandsum] : probes) {
            if (fA == 0 || fB > 65535) continue;  // not a frequency the unit reports
            rig.report(fA, fB);
            EXPECT_EQ(rig.run().bandsum, bandsum) << fA << " Hz, " << fB << " Hz";
            EXPECT_EQ(rig.elements.state("FREQA").color, bandsum & 1 ? kRed : kCyan);
            EXPECT_EQ(rig.elements.state("FREQB").color, bandsum & 2 ? kRed : kCyan);
        }
    }

    Rig rig(20, 30000);  // any checked band counts, not only the first
    rig.elements.setChecked("subhz", true);
    rig.elements.setChecked("highHZ3", true);
    EXPECT_EQ(rig.run().bandsum, 3);
}

// Voltage mode (v = chA + chB). histlen 3: a ring of four, row i writing next at i % 4.
TEST(GetData, ChangeDetectionLevelAndTrend) {
    struct Case {
        const char* why;
        int level, prevlevel, offset, v;
        int inHistoryAt, inBand;  // -1: in no history slot; 1: fB lies in a checked RF band
        int change;
        char trend;
        int newLevel;
        const char* average;
    };
    const Case cases[] = {
        {"inside the band", 100, 100, 5, 104, -1, 0, 1, '+', 102, ".25"},
        {"top edge", 100, 100, 20, 120, -1, 0, 1, '+', 110, ".27"},
        {"one above", 100, 100, 20, 121, -1, 0, 0, '+', 110, ".27"},  // 110.5 -> 110
        {"bottom edge", 100, 100, 20, 80, -1, 0, 1, '-', 90, ".22"},
        {"one below", 100, 100, 20, 79, -1, 0, 0, '-', 90, ".22"},  // 89.5 -> 90
        {"first history slot", 100, 100, 20, 300, 0, 0, 1, '+', 200, ".49"},
        {"last history slot", 100, 100, 20, 300, 3, 0, 1, '+', 200, ".49"},
        {"slot past the ring", 100, 100, 20, 300, 4, 0, 0, '+', 200, ".49"},
        {"new value in a checked band", 100, 100, 20, 300, -1, 1, 0, '+', 200, ".49"},
        {"trend against prevlevel", 100, 200, 20, 150, -1, 0, 0, '-', 175, ".43"},
        {"steady", 100, 104, 5, 104, -1, 0, 1, '=', 104, ".25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const int pos = int(&c - cases) % 4;
        Rig rig(440, c.inBand ? 30000 : 60);
        rig.elements.setChecked("highHZ3", true);
        rig.state.chalevel = c.v - 50;
        rig.state.chblevel = 50;
        rig.state.level = qint16(c.level);
        rig.state.prevlevel = qint16(c.prevlevel);
        rig.state.offset = qint16(c.offset);
        rig.state.histlen = 3;
        rig.state.histpos = qint16(pos);
        if (c.inHistoryAt >= 0) rig.state.levelhist[c.inHistoryAt] = qint16(c.v);
        const GetDataResult r = rig.run();
        EXPECT_EQ(r.v, c.v);
        EXPECT_EQ(r.change, c.change);
        EXPECT_EQ(rig.elements.text("TRENDDSP"), QString(QChar(c.trend)));
        EXPECT_EQ(rig.state.trend, c.trend == '+' ? 2 : c.trend == '-' ? 1 : 0);
        EXPECT_EQ(std::tuple(rig.state.level, rig.state.prevlevel),
                  std::tuple(c.newLevel, c.newLevel));
        EXPECT_EQ(rig.elements.text("tholddsp"), QString::fromLatin1(c.average) + " VDC");

        const bool word = c.change == 0 && !c.inBand;
        EXPECT_EQ(r.wordDue, word);
        EXPECT_EQ(rig.state.levelhist[pos], word ? c.v : 0);
        EXPECT_EQ(rig.state.histpos, word ? (pos + 1) % 4 : pos);
    }
}

// Nothing in the history yet, so every mode value is new.
TEST(GetData, EachModeFollowsItsValue) {
    // v -1: no mode value; asks: the unit is asked for its values.
    const std::tuple<const char*, bool, int, int, int, bool> cases[] = {
        {"ITC1", false, 440, 61, 500, true},
        {"ITC1", true, 440, 61, 500, true},
        {"ITC2", false, 440, 61, 501, true},
        {"ITC2", false, 30000, 20000, 32767, true},  // held at the top of the 16-bit level
        {"ITC3", false, 440, 61, 40, true},
        {"ITC3", true, 440, 61, 40, false},  // only the EMF figure matters
        {"ITC4", false, 440, 61, -1, true},
    };
    for (const auto& [mode, highSpeed, fA, fB, v, asks] : cases) {
        SCOPED_TRACE(testing::Message() << mode << (highSpeed ? " HSPh " : " ") << fA);
        Rig rig(fA, fB);
        for (const char* m : {"ITC1", "ITC2", "ITC3", "ITC4"})
            rig.elements.setChecked(m, qstrcmp(m, mode) == 0);
        rig.elements.setChecked("HSPh", highSpeed);
        const GetDataResult r = rig.run();
        EXPECT_TRUE(r.completed);
        EXPECT_EQ(rig.takeSent(), asks ? ">" : "");
        EXPECT_EQ(r.fA, asks ? fA : 0);
        EXPECT_EQ(rig.elements.text("FREQA").isEmpty(), !asks);
        EXPECT_EQ(rig.elements.text("TRENDDSP").isEmpty(), v < 0);
        EXPECT_EQ(r.wordDue, v >= 0);
        EXPECT_EQ(r.v, std::max(v, 0));
        EXPECT_EQ(rig.state.levelhist[0], std::max(v, 0));
    }
}
