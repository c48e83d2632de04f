#include "device/link.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/scriptedtransport.h"

using namespace nuvo;
using namespace nuvo::test;
using namespace std::chrono_literals;

using Clock = std::chrono::steady_clock;

TEST(ReportDecoding, HighByteComesFirst) {
    const Report values{0, 0x12, 0x0A, 0x80, 0, 0x01, 0xB8, 0x00, 0x3C};
    EXPECT_EQ(reportWords(values), (std::array<quint16, 4>{4618, 32768, 440, 60}));
    EXPECT_EQ(decodeWord(1, 10), 266);
    EXPECT_EQ(decodeWord(0xFF, 0xFF), 65535);
}

TEST(Link, WritesEachCommandWithTheLastCompanionLevelInByteTwo) {
    ScriptedTransport transport;
    transport.respond = [](const Report& r) { return answerBytes({r[1], 0, 0, 0, 77}); };
    Link link(transport, 1s);
    link.hidconnect();
    const auto temperature = link.requestreport(Command::Temperature);
    ASSERT_TRUE(temperature);
    EXPECT_EQ(*temperature, (Report{0, '%', 0, 0, 0, 77, 0, 0, 0}));
    ASSERT_TRUE(link.sendCompanionLevel(125));
    link.requestreport(Command::Values);
    link.sendCompanionLevel(0);
    link.requestreport(Command::ScopeSamples);
    const std::vector<Report> expected{{0, '%', 0, 0, 0, 0, 0, 0, 0},
                                       {0, '!', 125, 0, 0, 0, 0, 0, 0},
                                       {0, '>', 125, 0, 0, 0, 0, 0, 0},
                                       {0, '!', 0, 0, 0, 0, 0, 0, 0},
                                       {0, '=', 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(transport.writes(), expected);
    EXPECT_EQ(link.outreport(), expected.back());
}

// Every way a request can go without an answer ends it in time.
TEST(Link, RequestWithoutAnAnswerEndsInTime) {
    struct Case {
        const char* name;
        std::chrono::milliseconds wait;
        std::function<void(ScriptedTransport&)> unit;
    };
    const Case cases[] = {
        {"stale report, then silence", 30ms,
         [](ScriptedTransport& t) {
             t.deliver(answerBytes({9}));  // nobody waits for it
             t.respond = [](const Report&) { return ScriptedTransport::Reply(); };
         }},
        {"short report", 30ms,
         [](ScriptedTransport& t) {
             t.respond = [](const Report&) { return std::vector<quint8>{0, '>', 2, 3}; };
         }},
        // These must end at once, long before the wait.
        {"write fails", 10s, [](ScriptedTransport& t) { t.attached = false; }},
        {"unplug in the middle", 10s,
         [](ScriptedTransport& t) {
             t.respond = [&t](const Report&) {
                 t.unplug(kUnitDevice);
                 return ScriptedTransport::Reply();
             };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransport transport;
        Link link(transport, c.wait);
        link.hidconnect();
        c.unit(transport);
        const auto start = Clock::now();
        EXPECT_FALSE(link.requestreport(Command::Values));
        EXPECT_LT(Clock::now() - start, 5s);
    }
}

// The unit answers in order, but late: a request that gave up is still owed its answer.
TEST(Link, LateAnswerNeverAnswersALaterRequest) {
    constexpr auto kWait = 100ms;
    enum class Before { Nothing, LateWhileIdle, WaitOutGrace, Replug };
    struct Step {
        std::vector<quint8> late;      // sent first, the moment the command arrives
        std::optional<quint8> answer;  // then the answer to this command, a moment later
        int expected;                  // byte 1 of what the request returns, -1 for nothing
        Before before = Before::Nothing;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"late answer then own", {{{}, {}, -1}, {{1}, 2, 2}}},
        {"two late answers then own", {{{}, {}, -1}, {{}, {}, -1}, {{1, 2}, 3, 3}}},
        {"a lost answer costs one more request, not all", {{{}, {}, -1}, {{}, 2, -1}, {{}, 3, 3}}},
        {"late answer while nobody waits", {{{}, {}, -1}, {{}, 2, 2, Before::LateWhileIdle}}},
        {"owed only for a while", {{{}, {}, -1}, {{}, 2, 2, Before::WaitOutGrace}}},
        {"an unplug settles what is owed", {{{}, {}, -1}, {{}, 2, 2, Before::Replug}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransport transport;
        transport.answerDelay = 2ms;
        Link link(transport, kWait);
        link.hidconnect();
        for (const Step& step : c.steps) {
            if (step.before == Before::LateWhileIdle) transport.deliver(answerBytes({99}));
            if (step.before == Before::WaitOutGrace)
                std::this_thread::sleep_for(Link::kLateAnswerGrace * kWait + 50ms);
            if (step.before == Before::Replug) {
                transport.unplug(kUnitDevice);
                transport.plug(kUnitDevice);
            }
            transport.respond = [&](const Report&) -> ScriptedTransport::Reply {
                for (quint8 marker : step.late) transport.deliver(answerBytes({marker}));
                if (!step.answer) return {};
                return answerBytes({*step.answer});
            };
            const auto answer = link.requestreport(Command::Values);
            EXPECT_EQ(answer ? (*answer)[1] : -1, step.expected);
        }
    }
}

TEST(Link, TwoSendersEachGetTheAnswerToTheirOwnCommand) {
    ScriptedTransport transport;
    transport.answerDelay = 50us;
    // The unit echoes the command.
    transport.respond = [](const Report& r) { return answerBytes({r[1]}); };
    Link link(transport, 2s);
    link.hidconnect();

    std::atomic<int> wrong{0};
    auto sender = [&](Command command) {
        for (int i = 0; i < 200; ++i) {
            const auto answer = link.requestreport(command);
            if (!answer || (*answer)[1] != static_cast<quint8>(command)) ++wrong;
        }
    };
    std::thread tick(sender, Command::ScopeSamples);
    std::thread phoneme(sender, Command::Values);
    tick.join();
    phoneme.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(transport.writes().size(), 400u);
}

// The banner goes only once the unit is open; a unit that cannot be opened is tried again
// on every scan, and the user is told why once.
TEST(Link, UnitIsPresentOnlyWhileOpen) {
    ScriptedTransport transport;
    transport.attached = false;
    Link link(transport);
    std::vector<bool> presence;
    std::vector<QString> told;
    QObject::connect(&link, &Link::unitPresenceChanged, [&](bool p) { presence.push_back(p); });
    QObject::connect(&link, &Link::unitUnavailable, [&](const QString& r) { told.push_back(r); });
    link.hidconnect();

    const HidDevice otherProduct{9, kVendorId, 1234};
    const HidDevice otherVendor{10, 0x1234, kProductId};
    transport.openFailure = QStringLiteral("permission denied");
    transport.plug(kUnitDevice);
    transport.rescan();
    EXPECT_TRUE(presence.empty());
    const QString message =
        QStringLiteral("The unit was found but cannot be opened: permission denied");
    EXPECT_EQ(told, std::vector<QString>{message});

    transport.openFailure.clear();
    transport.rescan();
    transport.unplug(otherProduct);  // says nothing about the unit
    transport.unplug(otherVendor);
    EXPECT_EQ(presence, std::vector<bool>{true});

    transport.unplug(kUnitDevice);
    transport.openFailure = QStringLiteral("permission denied");
    transport.plug(kUnitDevice);  // a new arrival is explained again
    EXPECT_EQ(presence, (std::vector<bool>{true, false}));
    EXPECT_EQ(told, (std::vector<QString>{message, message}));
    EXPECT_FALSE(link.unitPresent());

    link.hiddisconnect();
    link.hiddisconnect();
    EXPECT_EQ(transport.disconnects, 1);
}
