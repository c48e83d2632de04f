#include "device/link.h"
#include "device/scriptedtransport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace nuvo;
using namespace nuvo::test;
using namespace std::chrono_literals;

TEST(ReportDecoding, HighByteComesFirst) {
    EXPECT_EQ(decodeWord(0x12, 0x0A), 4618);
    EXPECT_EQ(decodeWord(1, 10), 266);
    EXPECT_EQ(decodeWord(0x80, 0), 32768);
    EXPECT_EQ(decodeWord(0xFF, 0xFF), 65535);

    Report values{0, 0, 0, 0, 0, 0x01, 0xB8, 0x00, 0x3C};
    EXPECT_EQ(reportWord(values, 5), 440);  // channel A frequency
    EXPECT_EQ(reportWord(values, 7), 60);   // channel B frequency
    const auto words = reportWords(Report{0, 0, 1, 0, 2, 0, 3, 0, 4});
    EXPECT_EQ(words, (std::array<quint16, 4>{1, 2, 3, 4}));
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { link.hidconnect(); }
    ScriptedTransport transport;
    Link link{transport, 40ms};
};

TEST_F(LinkTest, RequestSendsTheCommandAndReturnsTheAnswer) {
    transport.respond = [](const Report&) { return answerBytes({0, 0, 0, 0, 77}); };
    const auto answer = link.requestreport(Command::Temperature);
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[5], 77);
    ASSERT_EQ(transport.writes().size(), 1u);
    EXPECT_EQ(transport.writes()[0], (Report{0, '%', 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(LinkTest, CompanionLevelStaysInByteTwoOfLaterCommands) {
    ASSERT_TRUE(link.sendCompanionLevel(125));
    link.requestreport(Command::Values);
    link.requestreport(Command::ScopeSamples);
    const auto writes = transport.writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], (Report{0, '!', 125, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[1], (Report{0, '>', 125, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[2], (Report{0, '=', 125, 0, 0, 0, 0, 0, 0}));
    link.sendCompanionLevel(0);
    link.requestreport(Command::Values);
    EXPECT_EQ(transport.writes().back()[2], 0);
}

TEST_F(LinkTest, AStaleReportNeverAnswersANewRequest) {
    transport.deliver(answerBytes({9, 9, 9, 9, 9, 9, 9, 9}));  // nobody waits for it
    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    EXPECT_FALSE(link.requestreport(Command::Values));
}

TEST_F(LinkTest, WaitIsBoundedWhenTheUnitDoesNotAnswer) {
    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.requestreport(Command::NaturalField));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
    // The next request is answered normally.
    transport.respond = [](const Report&) { return answerBytes({1, 2}); };
    const auto answer = link.requestreport(Command::NaturalField);
    ASSERT_TRUE(answer);
    EXPECT_EQ(reportWord(*answer, 1), 258);
}

TEST_F(LinkTest, FailedWriteGivesNoAnswerAtOnce) {
    transport.attached = false;
    EXPECT_FALSE(link.requestreport(Command::Values));
}

TEST_F(LinkTest, ShortReportIsDroppedNotTakenAsTheAnswer) {
    transport.respond = [](const Report&) { return std::vector<quint8>{0, 1, 2, 3}; };
    EXPECT_FALSE(link.requestreport(Command::Values));
    EXPECT_EQ(link.droppedReports(), 1);
}

TEST(LinkUnplug, UnplugInTheMiddleOfARequestEndsItWithoutWaitingOut) {
    ScriptedTransport transport;
    Link link(transport, 10s);
    link.hidconnect();
    transport.respond = [&](const Report&) {
        transport.unplug(kUnitDevice);
        return ScriptedTransport::Reply();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.requestreport(Command::ScopeSamples));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_FALSE(link.unitPresent());
    EXPECT_FALSE(link.requestreport(Command::Values));  // write fails while it is away
}

TEST(LinkSenders, TwoSendersEachGetTheAnswerToTheirOwnCommand) {
    ScriptedTransport transport;
    transport.answerDelay = 50us;
    // The unit echoes the command and counts its answers.
    std::atomic<int> served{0};
    transport.respond = [&](const Report& r) {
        return answerBytes({r[1], static_cast<quint8>(served++ & 0xFF)});
    };
    Link link(transport, 2s);
    link.hidconnect();

    std::atomic<int> mismatches{0}, missing{0};
    auto sender = [&](Command command) {
        for (int i = 0; i < 300; ++i) {
            const auto answer = link.requestreport(command);
            if (!answer)
                ++missing;
            else if ((*answer)[1] != static_cast<quint8>(command))
                ++mismatches;
        }
    };
    std::thread tick(sender, Command::ScopeSamples);
    std::thread phoneme(sender, Command::Values);
    tick.join();
    phoneme.join();
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(served, 600);
}

TEST(LinkBanner, FollowsTheUnitAndIgnoresOtherDevices) {
    ScriptedTransport transport;
    transport.attached = false;
    Link link(transport);
    std::vector<bool> changes;
    QObject::connect(&link, &Link::unitPresenceChanged,
                     [&](bool present) { changes.push_back(present); });
    link.hidconnect();
    EXPECT_FALSE(link.unitPresent());

    const HidDevice otherProduct{9, kVendorId, 1234};
    const HidDevice otherVendor{10, 0x1234, kProductId};
    transport.plug(otherProduct);
    transport.plug(otherVendor);
    EXPECT_TRUE(changes.empty());

    transport.plug(kUnitDevice);
    transport.plug(kUnitDevice);  // a repeated announcement changes nothing
    EXPECT_EQ(changes, (std::vector<bool>{true}));

    // Another device of the same maker going away says nothing about the unit.
    transport.unplug(otherProduct);
    transport.unplug(otherVendor);
    EXPECT_TRUE(link.unitPresent());

    transport.unplug(kUnitDevice);
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    EXPECT_FALSE(link.unitPresent());
}

TEST(LinkConnection, UnitAttachedBeforeConnectIsAnnouncedAndReadNotifyFollowsChanges) {
    ScriptedTransport transport;
    Link link(transport);
    EXPECT_FALSE(link.unitPresent());
    link.hidconnect();
    EXPECT_TRUE(link.unitPresent());
    EXPECT_EQ(transport.readNotifies, 1);  // switched on by the change event
    link.hiddisconnect();
    link.hiddisconnect();
    EXPECT_EQ(transport.disconnects, 1);
}
