#include "app/mainelements.h"
#include "device/link.h"
#include "device/scriptedtransport.h"
#include "measure/measurestate.h"
#include "measure/tick.h"

#include <gtest/gtest.h>

using namespace nuvo;
using namespace nuvo::test;

namespace {

std::vector<char> expected(std::initializer_list<char> head, int scopeRequests,
                           std::initializer_list<char> tail) {
    std::vector<char> commands(head);
    commands.insert(commands.end(), scopeRequests, '=');
    commands.insert(commands.end(), tail);
    return commands;
}

class TickTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The unit answers every command with mid-scale values and mains hum.
        transport.respond = [](const Report&) {
            return answerBytes({1, 0, 1, 0, 0, 60, 0, 60});
        };
        link.hidconnect();
        state.histlen = 10;
        state.offset = 5;
    }
    ScriptedTransport transport;
    Link link{transport, std::chrono::milliseconds{20}};
    MeasureState state;
    ElementStates elements = designElements();
};

}  // namespace

TEST_F(TickTest, StagesRunInOrderAndTheScopeFeedsTheNextTick) {
    TickOutcome first = runTick(link, state, elements);
    EXPECT_FALSE(first.data.completed);  // no channel levels before the first scope stage
    EXPECT_TRUE(first.scopeSampled);
    EXPECT_EQ(transport.commandsWritten(), expected({'>', '%'}, 30, {'/'}));

    transport.clearWrites();
    TickOutcome second = runTick(link, state, elements);
    EXPECT_TRUE(second.data.completed);
    EXPECT_DOUBLE_EQ(second.data.chA, 256 * 30 / 12);  // rawA / 12 of the first tick
    EXPECT_EQ(transport.commandsWritten(), expected({'>', '%'}, 30, {'/'}));
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(TickTest, HighSpeedPhonemeLeavesOutTheSlowSensors) {
    elements.setChecked("HSPh", true);
    runTick(link, state, elements);
    EXPECT_EQ(transport.commandsWritten(), expected({'>'}, 30, {}));

    transport.clearWrites();
    elements.setChecked("ITC1", false);
    elements.setChecked("ITC3", true);  // EMF mode keeps the temperature but asks no values
    runTick(link, state, elements);
    EXPECT_EQ(transport.commandsWritten(), expected({'%'}, 30, {}));
}

TEST_F(TickTest, AStageWithoutAnswerEndsTheTick) {
    int requests = 0;
    transport.respond = [&](const Report&) {
        // The unit goes quiet in the middle of the scope burst.
        return ++requests > 12 ? ScriptedTransport::Reply() : answerBytes({1, 0, 1, 0, 0, 60});
    };
    const TickOutcome outcome = runTick(link, state, elements);
    EXPECT_FALSE(outcome.scopeSampled);
    EXPECT_EQ(transport.commandsWritten(), expected({'>', '%'}, 11, {}));
    EXPECT_EQ(state.chalevel, 0);  // no half-finished burst becomes a level

    transport.clearWrites();
    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    runTick(link, state, elements);
    EXPECT_EQ(transport.commandsWritten(), std::vector<char>{'>'});
}
