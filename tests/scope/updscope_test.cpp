#include "common/elementstates.h"
#include "app/menus.h"
#include "device/link.h"
#include "device/scriptedtransport.h"
#include "measure/measurestate.h"
#include "scope/scopeframe.h"
#include "scope/updscope.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

using namespace nuvo;
using namespace nuvo::test;
using namespace std::chrono_literals;

namespace {

// Samples of one answer: first A, first B, second A, second B.
struct Pass {
    quint16 a1 = 0, b1 = 0, a2 = 0, b2 = 0;
};

std::vector<quint8> answerFor(const Pass& p) {
    const auto hi = [](quint16 v) { return static_cast<quint8>(v >> 8); };
    const auto lo = [](quint16 v) { return static_cast<quint8>(v & 0xFF); };
    return answerBytes({hi(p.a1), lo(p.a1), hi(p.b1), lo(p.b1), hi(p.a2), lo(p.a2), hi(p.b2),
                        lo(p.b2)});
}

bool isWrittenPosition(int position) {
    return position >= 1 && position <= 118 && (position % 4 == 1 || position % 4 == 2);
}

class UpdscopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        link.hidconnect();
        elements.add(QStringLiteral("EMFdisplay1"), {});
        state.waitflag = 1;  // the tick announces the stage
    }

    // Pass n (0-based) of every call answers with passes(n); nothing when it gives nullopt.
    void answerWith(std::function<std::optional<Pass>(int)> passes) {
        transport.respond = [this, passes](const Report&) -> ScriptedTransport::Reply {
            const std::optional<Pass> p = passes(m_pass++ % kScopePasses);
            if (!p) return std::nullopt;
            return answerFor(*p);
        };
    }
    void answerAlways(const Pass& p) {
        answerWith([p](int) { return std::optional<Pass>(p); });
    }

    bool run() {
        transport.clearWrites();
        m_pass = 0;
        return updscope(link, state, elements);
    }

    QString display() const { return elements.text(QStringLiteral("EMFdisplay1")); }

    ScriptedTransport transport;
    Link link{transport, 40ms};
    MeasureState state;
    ElementStates elements;

private:
    int m_pass = 0;
};

TEST_F(UpdscopeTest, SendsThirtyScopeRequestsAndClearsTheWaitFlag) {
    answerAlways({100, 200, 300, 400});
    EXPECT_TRUE(run());
    const auto writes = transport.writes();
    ASSERT_EQ(writes.size(), 30u);
    for (const Report& r : writes) EXPECT_EQ(r, (Report{0, '=', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(UpdscopeTest, EachPassFillsTwoPositionsAndSkipsTwo) {
    // First sample all A, second all B, so a swap or a shifted position shows.
    answerAlways({1024, 0, 0, 1024});
    ASSERT_TRUE(run());
    for (int j = 0; j < kScopePositions; ++j) {
        SCOPED_TRACE(j);
        if (isWrittenPosition(j) && j % 4 == 1) {
            EXPECT_EQ(state.scopea[j], 2000);
            EXPECT_EQ(state.scopeb[j], 0);
            EXPECT_EQ(state.scopeab[j], 1000);
        } else if (isWrittenPosition(j)) {
            EXPECT_EQ(state.scopea[j], 0);
            EXPECT_EQ(state.scopeb[j], 2000);
            EXPECT_EQ(state.scopeab[j], 1000);
        } else {
            EXPECT_EQ(state.scopea[j], 0);
            EXPECT_EQ(state.scopeb[j], 0);
            EXPECT_EQ(state.scopeab[j], 0);
        }
    }
}

TEST_F(UpdscopeTest, PositionsKeepTheirValuesBetweenCallsAndAreRewritten) {
    state.scopea.fill(-7);
    state.scopeab.fill(-7);
    state.scopeb.fill(-7);
    answerAlways({512, 512, 512, 512});
    ASSERT_TRUE(run());
    for (int j = 0; j < kScopePositions; ++j) {
        SCOPED_TRACE(j);
        const int expected = isWrittenPosition(j) ? 1000 : -7;
        EXPECT_EQ(state.scopea[j], expected);
        EXPECT_EQ(state.scopeb[j], expected);
        EXPECT_EQ(state.scopeab[j], expected);
    }
}

TEST_F(UpdscopeTest, ArrayValuesRoundHalvesToEvenInPassOrder) {
    answerWith([](int n) -> std::optional<Pass> {
        switch (n) {
        case 0: return Pass{32, 32, 96, 96};   // 62.5 -> 62; 187.5 -> 188
        case 14: return Pass{1, 0, 1000, 1023};  // 1.95 -> 2, .98 -> 1; 1953.1, 1998.0
        case 29: return Pass{160, 0, 0, 224};  // 312.5 -> 312, 156.25; 437.5 -> 438, 218.75
        default: return Pass{};
        }
    });
    ASSERT_TRUE(run());
    EXPECT_EQ(state.scopea[1], 62);
    EXPECT_EQ(state.scopeb[1], 62);
    EXPECT_EQ(state.scopeab[1], 62);  // (32 + 32) x 2000 / 2048 = 62.5
    EXPECT_EQ(state.scopea[2], 188);
    EXPECT_EQ(state.scopeb[2], 188);
    EXPECT_EQ(state.scopeab[2], 188);  // 187.5

    EXPECT_EQ(state.scopea[57], 2);
    EXPECT_EQ(state.scopeb[57], 0);
    EXPECT_EQ(state.scopeab[57], 1);
    EXPECT_EQ(state.scopea[58], 1953);
    EXPECT_EQ(state.scopeb[58], 1998);
    EXPECT_EQ(state.scopeab[58], 1976);  // 2023 x 2000 / 2048 = 1975.6

    EXPECT_EQ(state.scopea[117], 312);
    EXPECT_EQ(state.scopeab[117], 156);
    EXPECT_EQ(state.scopeb[118], 438);
    EXPECT_EQ(state.scopeab[118], 219);

    EXPECT_EQ(state.scopea[5], 0);
    EXPECT_EQ(state.scopea[113], 0);
}

TEST_F(UpdscopeTest, FullScaleOnBothChannelsFillsEveryWrittenPositionWith2000) {
    answerAlways({1024, 1024, 1024, 1024});
    ASSERT_TRUE(run());
    for (int j = 0; j < kScopePositions; ++j) {
        if (!isWrittenPosition(j)) continue;
        SCOPED_TRACE(j);
        EXPECT_EQ(state.scopeab[j], 2000);
        EXPECT_EQ(state.scopea[j], 2000);
        EXPECT_EQ(state.scopeb[j], 2000);
    }
    EXPECT_EQ(state.emf, 1000);
    EXPECT_EQ(state.chalevel, 1024);  // 30720 / 12 = 2560, limited
    EXPECT_EQ(state.chblevel, 1024);
}

TEST_F(UpdscopeTest, EqualSamplesGiveNoFallsAndLoneDecimalPoints) {
    // The figure is rounded twice: round(97.65625) + 97.65625 = 195.66 -> 196,
    // where a single rounding of the sum would give 195.
    answerAlways({200, 200, 200, 200});
    state.emftexta = QStringLiteral("old");
    ASSERT_TRUE(run());
    EXPECT_EQ(display(), QStringLiteral(". mG"));
    EXPECT_EQ(state.emftexta, QStringLiteral(". mG"));
    EXPECT_EQ(state.emftextb, QStringLiteral(". mG"));
    EXPECT_EQ(state.emf, 196);
    EXPECT_EQ(state.chalevel, 500);  // rawA = 6000
    EXPECT_EQ(state.chblevel, 500);
}

TEST_F(UpdscopeTest, ChannelLevelsTakeTheIntegerPartOfFirstSamplesLimitedTo1024) {
    struct Case {
        quint16 aMost, aLast;  // 29 passes of aMost, the last pass aLast
        quint16 bMost, bLast;
        double chalevel, chblevel;
    };
    const Case cases[] = {
        {413, 423, 200, 200, 1024, 500},  // rawA 12,400 -> 1033, limited; rawB 6,000
        {410, 397, 410, 409, 1023, 1024},  // rawA 12,287 -> 1023.9; rawB 12,299 -> 1024.9
        {200, 211, 424, 0, 500, 1024},   // rawA 6,011 -> 500.9; rawB 12,296 -> 1024.7
        {0, 0, 0, 11, 0, 0},             // rawB 11 -> .9
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.aLast);
        // Second samples at full scale must not count.
        answerWith([c](int n) {
            return n == 29 ? std::optional<Pass>({c.aLast, c.bLast, 1024, 1024})
                           : std::optional<Pass>({c.aMost, c.bMost, 1024, 1024});
        });
        ASSERT_TRUE(run());
        EXPECT_EQ(state.chalevel, c.chalevel);
        EXPECT_EQ(state.chblevel, c.chblevel);
    }
}

TEST_F(UpdscopeTest, FallsBetweenFirstSamplesGiveTheEmfTexts) {
    // First samples alternate A+B 500 and 250 (falls at passes 1, 3, ..., 29: 15);
    // second samples rise and fall the other way and must not count.
    answerWith([](int n) {
        return n % 2 == 0 ? std::optional<Pass>({512, 0, 0, 0})
                          : std::optional<Pass>({0, 256, 1024, 1024});
    });
    ASSERT_TRUE(run());
    // m = (15 x 500 + 15 x 250) / 120 = 93.75; 93.75 x 15 x sin(240) / 200 = 6.6477
    EXPECT_EQ(display(), QStringLiteral("6.65 mG"));
    // mA = 15 x 1000 / 120 = 125 -> 8.8635; mB = 15 x 500 / 120 = 62.5 -> 4.4318
    EXPECT_EQ(state.emftexta, QStringLiteral("8.86 mG"));
    EXPECT_EQ(state.emftextb, QStringLiteral("4.43 mG"));
    EXPECT_EQ(state.emf, 188);  // 125 + 62.5 = 187.5, half to even
    EXPECT_EQ(state.chalevel, 640);  // 15 x 512 / 12
    EXPECT_EQ(state.chblevel, 320);
}

TEST_F(UpdscopeTest, OnlyTheDropAfterAHighFirstPassCounts) {
    // Pass 0 rises from the starting 0, pass 1 falls once, the rest stay level.
    answerWith([](int n) {
        return n == 0 ? std::optional<Pass>({1024, 1024, 0, 0}) : std::optional<Pass>({0, 0, 0, 0});
    });
    ASSERT_TRUE(run());
    // m = 2000 / 120 = 16.667; 16.667 x 1 x sin(240) / 200 = .0788
    EXPECT_EQ(display(), QStringLiteral(".08 mG"));
    EXPECT_EQ(state.emftexta, QStringLiteral(".08 mG"));
    EXPECT_EQ(state.emf, 34);  // round(16.667) + 16.667 = 33.67
}

TEST_F(UpdscopeTest, AMissingAnswerKeepsEveryPreviousValue) {
    state.scopeab.fill(11);
    state.scopea.fill(12);
    state.scopeb.fill(13);
    state.chalevel = 321;
    state.chblevel = 654;
    state.emf = 77;
    state.emftexta = QStringLiteral("1.5 mG");
    state.emftextb = QStringLiteral(".25 mG");
    elements.setText(QStringLiteral("EMFdisplay1"), QStringLiteral("2. mG"));
    elements.takeChanges();
    const MeasureState before = state;

    answerWith([](int n) {
        return n == 9 ? std::nullopt : std::optional<Pass>({1024, 0, 0, 1024});
    });
    EXPECT_FALSE(run());
    EXPECT_EQ(transport.writes().size(), 10u);  // no request after the unanswered one
    EXPECT_EQ(state.waitflag, 0);
    EXPECT_EQ(state.scopeab, before.scopeab);
    EXPECT_EQ(state.scopea, before.scopea);
    EXPECT_EQ(state.scopeb, before.scopeb);
    EXPECT_EQ(state.chalevel, 321);
    EXPECT_EQ(state.chblevel, 654);
    EXPECT_EQ(state.emf, 77);
    EXPECT_EQ(state.emftexta, QStringLiteral("1.5 mG"));
    EXPECT_EQ(state.emftextb, QStringLiteral(".25 mG"));
    EXPECT_EQ(display(), QStringLiteral("2. mG"));
    EXPECT_TRUE(elements.takeChanges().isEmpty());

    // The next burst that is answered in full goes through.
    state.waitflag = 1;
    answerAlways({1024, 1024, 1024, 1024});
    EXPECT_TRUE(run());
    EXPECT_EQ(state.scopea[1], 2000);
    EXPECT_EQ(state.scopea[0], 12);
    EXPECT_EQ(state.chalevel, 1024);
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(UpdscopeTest, NoAnswerAtAllSendsOneRequest) {
    answerWith([](int) { return std::optional<Pass>(); });
    EXPECT_FALSE(run());
    EXPECT_EQ(transport.writes().size(), 1u);
    EXPECT_EQ(state.waitflag, 0);
    EXPECT_EQ(state.scopea, (std::array<qint16, kScopePositions>{}));
    EXPECT_EQ(display(), QString());
}

TEST_F(UpdscopeTest, ValuesBeyondTheAdcRangeSaturateInsteadOfWrapping) {
    answerAlways({65535, 65535, 20000, 0});
    ASSERT_TRUE(run());
    EXPECT_EQ(state.scopea[1], 32767);
    EXPECT_EQ(state.scopeab[1], 32767);
    EXPECT_EQ(state.scopea[2], 32767);  // 39062.5
    EXPECT_EQ(state.scopeab[2], 19531);  // 19531.25
    EXPECT_EQ(state.chalevel, 1024);
    EXPECT_EQ(state.emf, 32767);
}

class ScopeFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const MenuEntry& e : mainMenuEntries()) {
            ElementState s;
            s.checked = e.checked;
            elements.add(QString::fromLatin1(e.name), s);
        }
    }
    void chooseTimeBase(const QString& name) {
        for (const char* tb : {"tb1", "tb5", "tb10", "tb100"})
            elements.setChecked(QString::fromLatin1(tb), name == QLatin1String(tb));
    }
    ElementStates elements;
    MeasureState state;
};

TEST_F(ScopeFrameTest, StartsWithTheFinestTimeBaseAndTheSumTraceOnly) {
    const ScopeFrame frame = scopeFrame(state, elements);
    EXPECT_EQ(frame.step, 30);
    EXPECT_TRUE(frame.showab);
    EXPECT_FALSE(frame.showA);
    EXPECT_FALSE(frame.showb);
}

TEST_F(ScopeFrameTest, EachTimeBaseGivesItsStep) {
    const std::pair<const char*, int> steps[] = {
        {"tb1", 500}, {"tb5", 300}, {"tb10", 150}, {"tb100", 30}};
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        chooseTimeBase(QString::fromLatin1(name));
        EXPECT_EQ(scopeFrame(state, elements).step, step);
    }
    chooseTimeBase(QString());
    EXPECT_EQ(scopeFrame(state, elements).step, 30);
}

TEST_F(ScopeFrameTest, CopiesTheSamplesAndTheTraceChoice) {
    state.scopeab[1] = 1;
    state.scopea[2] = 2;
    state.scopeb[120] = 3;
    elements.setChecked(QStringLiteral("showab"), false);
    elements.setChecked(QStringLiteral("ShowA"), true);
    elements.setChecked(QStringLiteral("showb"), true);
    const ScopeFrame frame = scopeFrame(state, elements);
    EXPECT_EQ(frame.scopeab, state.scopeab);
    EXPECT_EQ(frame.scopea, state.scopea);
    EXPECT_EQ(frame.scopeb, state.scopeb);
    EXPECT_FALSE(frame.showab);
    EXPECT_TRUE(frame.showA);
    EXPECT_TRUE(frame.showb);
}

}  // namespace
