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
        state.histlen = 10;
        state.offset = 5;
        state.chalevel = 300;
        state.chblevel = 200;
        state.emf = 40;
        answerFrequencies(440, 60);
    }
    void answerFrequencies(int fA, int fB) {
        transport.respond = [fA, fB](const Report&) {
            return answerBytes({0, 0, 0, 0, quint8(fA >> 8), quint8(fA), quint8(fB >> 8),
                                quint8(fB)});
        };
    }
    void mode(const char* item) {
        for (const char* m : {"ITC1", "ITC2", "ITC3", "ITC4"}) elements.setChecked(m, false);
        elements.setChecked(item, true);
    }
    GetDataResult run() { return get_data(link, state, elements); }

    ScriptedTransport transport;
    Link link{transport, std::chrono::milliseconds{20}};
    MeasureState state;
    ElementStates elements = designElements();
};

}  // namespace

TEST(FrequencyText, HertzBelowOneKilohertz) {
    EXPECT_EQ(frequencyText(440), " 440 Hz");
    EXPECT_EQ(frequencyText(999), " 999 Hz");
    EXPECT_EQ(frequencyText(1000), " 1KHz");
    EXPECT_EQ(frequencyText(1500), " 1.5KHz");
    EXPECT_EQ(frequencyText(65535), " 65.535KHz");
}

TEST_F(GetDataTest, BandBoundaryBelongsToBothNeighbours) {
    elements.setChecked("lowhz", true);  // 30 to 60 Hz
    answerFrequencies(60, 5);
    run();
    EXPECT_EQ(elements.state("FREQA").color, kRed);
    answerFrequencies(61, 5);
    run();
    EXPECT_EQ(elements.state("FREQA").color, kCyan);
    EXPECT_EQ(elements.state("FREQB").color, kCyan);
}

TEST_F(GetDataTest, FrequencyInCheckedBandBlocksTheWord) {
    elements.setChecked("highHZ3", true);
    answerFrequencies(440, 30000);
    const GetDataResult r = run();
    EXPECT_EQ(r.bandsum, 2);
    EXPECT_EQ(elements.state("FREQB").color, kRed);
    EXPECT_EQ(elements.state("FREQA").color, kCyan);
    EXPECT_EQ(elements.text("FREQB"), " 30KHz");
    EXPECT_FALSE(r.wordDue);
    EXPECT_EQ(state.histpos, 0);
}

TEST_F(GetDataTest, ReadOutTexts) {
    state.chalevel = 1024;
    state.chblevel = 1;
    answerFrequencies(999, 1000);
    const GetDataResult r = run();
    EXPECT_EQ(elements.text("FREQA"), " 999 Hz");
    EXPECT_EQ(elements.text("FREQB"), " 1KHz");
    EXPECT_EQ(elements.text("CHA_DSP"), "5.00 VDC");
    EXPECT_EQ(elements.text("CHB_DSP"), ".00 VDC");
    EXPECT_DOUBLE_EQ(r.favg, 999.5);
    EXPECT_EQ(transport.commandsWritten(), std::vector<char>{'>'});
}

TEST_F(GetDataTest, ZeroLevelOrFrequencyEndsEarlyWithoutChangingAnything) {
    run();
    const ElementStates before = elements;
    const MeasureState stateBefore = state;
    state.chblevel = 0;
    EXPECT_FALSE(run().completed);
    state.chblevel = 200;
    answerFrequencies(0, 60);
    EXPECT_FALSE(run().completed);
    EXPECT_EQ(elements.text("FREQA"), before.text("FREQA"));
    EXPECT_EQ(state.level, stateBefore.level);
    EXPECT_EQ(state.histpos, stateBefore.histpos);
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(GetDataTest, ValueInsideTheNoChangeBandMovesTheLevelButPicksNothing) {
    state.level = state.prevlevel = 100;
    state.chalevel = 54;
    state.chblevel = 50;  // v = 104
    const GetDataResult r = run();
    EXPECT_EQ(r.change, 1);
    EXPECT_FALSE(r.wordDue);
    EXPECT_EQ(elements.text("TRENDDSP"), "+");
    EXPECT_EQ(state.trend, 2);
    EXPECT_EQ(state.level, 102);
    EXPECT_EQ(elements.text("tholddsp"), ".25 VDC");  // 102 * 5 / 2048
}

TEST_F(GetDataTest, NewValueIsRecordedThenHandedToTheWordStage) {
    state.level = 100;
    state.chalevel = 70;
    state.chblevel = 50;
    state.histpos = 3;
    const GetDataResult r = run();
    EXPECT_EQ(r.change, 0);
    EXPECT_TRUE(r.wordDue);
    EXPECT_EQ(r.v, 120);
    EXPECT_EQ(state.levelhist[3], 120);
    EXPECT_EQ(state.histpos, 4);

    // The same value again, far from the level: a recent value, no word.
    state.level = 500;
    EXPECT_EQ(run().change, 1);
}

TEST_F(GetDataTest, HistoryRingWrapsAfterElevenValues) {
    for (int i = 0; i < 11; ++i) {
        state.level = 2000;  // keep every value outside the no-change band
        state.chalevel = 100 + 20 * i;
        ASSERT_TRUE(run().wordDue) << i;
    }
    EXPECT_EQ(state.histpos, 0);
    EXPECT_EQ(state.levelhist[10], 300 + 200);
    state.level = 2000;
    state.chalevel = 900;
    run();
    EXPECT_EQ(state.levelhist[0], 1100);  // the oldest entry is overwritten next
    EXPECT_EQ(state.histpos, 1);
}

TEST_F(GetDataTest, SmoothingRoundsHalvesToEven) {
    state.chalevel = 2;
    state.chblevel = 1;  // v = 3
    state.offset = 1;
    run();
    EXPECT_EQ(state.level, 2);  // 1.5 -> 2
    state.level = state.prevlevel = 0;
    state.chalevel = 3;
    state.chblevel = 2;  // v = 5
    run();
    EXPECT_EQ(state.level, 2);  // 2.5 -> 2
    EXPECT_EQ(state.prevlevel, 2);
}

TEST_F(GetDataTest, EcmOffUpdatesReadingsButNotTrendOrAverage) {
    mode("ITC4");
    const GetDataResult r = run();
    EXPECT_TRUE(r.completed);
    EXPECT_FALSE(r.wordDue);
    EXPECT_EQ(elements.text("FREQA"), " 440 Hz");
    EXPECT_EQ(elements.text("CHA_DSP"), "1.46 VDC");
    EXPECT_EQ(elements.text("TRENDDSP"), "");
    EXPECT_EQ(elements.text("tholddsp"), "");
    EXPECT_EQ(state.histpos, 0);
}

TEST_F(GetDataTest, FrequencySumIsHeldAtTheTopOfTheRange) {
    mode("ITC2");
    answerFrequencies(30000, 20000);
    const GetDataResult r = run();
    EXPECT_EQ(r.v, 32767);
    EXPECT_EQ(state.levelhist[0], 32767);
}

TEST_F(GetDataTest, HighSpeedEmfModeAsksTheUnitNothing) {
    mode("ITC3");
    elements.setChecked("HSPh", true);
    const GetDataResult r = run();
    EXPECT_TRUE(transport.writes().empty());
    EXPECT_TRUE(r.wordDue);
    EXPECT_EQ(r.v, 40);
    EXPECT_EQ(r.fA, 0);
}

TEST_F(GetDataTest, UnitWithoutAnswerEndsTheCall) {
    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    const GetDataResult r = run();
    EXPECT_FALSE(r.unitAnswered);
    EXPECT_EQ(state.waitflag, 0);
    EXPECT_EQ(elements.text("FREQA"), "");
}
