#include "measure/tick.h"

#include <gtest/gtest.h>

#include "measure/unitrig.h"

using namespace nuvo;
using namespace nuvo::test;

namespace {

const std::string kBurst(30, '=');

// A unit that answers its first `answered` requests with mid-scale values and mains hum,
// and notes whether the tick had announced a stage (waitflag 1) at each request.
struct Rig : UnitRig {
    explicit Rig(int answered = 1000) {
        transport.respond = [this, answered](const Report&) -> ScriptedTransport::Reply {
            flagsAtRequests.push_back(state.waitflag);
            if (int(flagsAtRequests.size()) > answered) return std::nullopt;
            return wordsAnswer({256, 256, 60, 60});
        };
    }
    TickOutcome tick() {
        transport.clearWrites();
        flagsAtRequests.clear();
        handedOn.clear();
        return runTick(link, state, elements, [this](const GetDataResult& r) {
            handedOn.emplace_back(r.wordDue ? r.v : -1, transport.writes().size());
        });
    }

    std::vector<qint16> flagsAtRequests;
    // What get_data handed on: the value of a due word (-1: none), requests sent by then.
    std::vector<std::pair<int, std::size_t>> handedOn;
};

}  // namespace

// The first get_data of a run ends early (no levels yet); the tick goes on all the same.
TEST(Tick, StagesRunInOrderEachAnnouncedUntilOneGoesUnanswered) {
    const std::tuple<bool, const char*, int, std::string, bool> cases[] = {
        {false, "ITC1", 1000, ">%" + kBurst + "/", true},
        {false, "ITC3", 1000, ">%" + kBurst + "/", true},
        {true, "ITC1", 1000, ">" + kBurst, true},  // no slow sensors
        {true, "ITC3", 1000, "%" + kBurst, true},  // EMF mode keeps the temperature, asks no values
        {false, "ITC1", 0, ">", false},
        {false, "ITC1", 1, ">%", false},
        {false, "ITC1", 13, ">%" + std::string(12, '='), false},
    };
    for (const auto& [highSpeed, mode, answered, sent, sampled] : cases) {
        SCOPED_TRACE(testing::Message() << mode << (highSpeed ? " HSPh " : " ") << answered);
        Rig rig(answered);
        rig.elements.setChecked("ITC1", false);
        rig.elements.setChecked(mode, true);
        rig.elements.setChecked("HSPh", highSpeed);
        const TickOutcome outcome = rig.tick();
        EXPECT_EQ(rig.takeSent(), sent);
        EXPECT_EQ(outcome.scopeSampled, sampled);
        EXPECT_EQ(outcome.data.unitAnswered, answered > 0);
        EXPECT_EQ(rig.flagsAtRequests, std::vector<qint16>(sent.size(), 1));
        EXPECT_EQ(rig.handedOn.size(), answered > 0 ? 1u : 0u);
    }
}

TEST(Tick, TheScopeFeedsTheNextTickAndAWordFollowsItsReadingAtOnce) {
    Rig rig;
    EXPECT_FALSE(rig.tick().data.completed);
    const TickOutcome second = rig.tick();
    EXPECT_TRUE(second.data.completed);
    EXPECT_DOUBLE_EQ(second.data.chA, 256 * 30 / 12);  // rawA / 12 of the first tick
    EXPECT_EQ(rig.handedOn, (std::vector<std::pair<int, std::size_t>>{{1280, 1}}));
}
