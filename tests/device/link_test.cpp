#include "device/link.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/scriptedtransport.h"

using namespace nuvo;
using namespace nuvo::test;
using namespace std::chrono_literals;

TEST(Link, EachCommandGoesOutWithTheLastCompanionLevelAndGetsItsOwnAnswer) {
    ScriptedTransport transport;
    transport.respond = [](const Report& r) { return answerBytes({r[1], 0, 0, 0, 77}); };
    Link link(transport, 2s);
    link.hidconnect();
    EXPECT_EQ(link.requestreport(Command::Temperature), (Report{0, '%', 0, 0, 0, 77, 0, 0, 0}));
    EXPECT_TRUE(link.sendCompanionLevel(125));
    link.requestreport(Command::Values);
    link.sendCompanionLevel(0);
    link.requestreport(Command::ScopeSamples);
    const std::vector<Report> expected{
        {0, '%'}, {0, '!', 125}, {0, '>', 125}, {0, '!', 0}, {0, '='}};
    EXPECT_EQ(transport.writes(), expected);
    EXPECT_EQ(link.outreport(), expected.back());

    // Two senders at once, answered from the bus's thread.
    transport.answerDelay = 50us;
    transport.clearWrites();
    std::atomic<int> wrong{0};
    auto sender = [&](Command command) {
        for (int i = 0; i < 200; ++i) {
            const auto answer = link.requestreport(command);
            if (!answer || (*answer)[1] != static_cast<quint8>(command)) ++wrong;
        }
    };
    std::thread tick(sender, Command::ScopeSamples);
    sender(Command::Values);
    tick.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(transport.writes().size(), 400u);
}

// Every request ends in time, and the unit answers in order but maybe late: a request that
// gave up is still owed its answer, which must never answer a later request.
TEST(Link, RequestsEndInTimeAndALateAnswerAnswersNoLaterRequest) {
    enum class Event { None, Detach, UnplugMidRequest, IdleReport, WaitOutGrace, Replug };
    struct Step {
        ScriptedTransport::Reply answer;  // comes a moment after the late answers
        int expected;                     // byte 1 of what the request returns, -1 for nothing
        std::vector<quint8> late = {};    // markers of late answers, sent as the command arrives
        Event event = Event::None;        // before the request, or during it
    };
    const auto a = [](quint8 marker) { return ScriptedTransport::Reply(answerBytes({marker})); };
    const Step lost{{}, -1};
    const struct {
        const char* name;
        std::chrono::milliseconds wait;
        std::vector<Step> steps;
    } cases[] = {
        // These must end at once, long before the wait.
        {"write fails", 10s, {{a(1), -1, {}, Event::Detach}}},
        {"unplug in the middle", 10s, {{{}, -1, {}, Event::UnplugMidRequest}}},
        {"stale report, then silence", 30ms, {{{}, -1, {}, Event::IdleReport}}},
        {"short report", 30ms, {{std::vector<quint8>{0, '>', 2, 3}, -1}}},
        {"late answer then own", 100ms, {lost, {a(2), 2, {1}}}},
        {"two late answers then own", 100ms, {lost, lost, {a(3), 3, {1, 2}}}},
        {"a lost answer costs one more request, not all", 100ms, {lost, {a(2), -1}, {a(3), 3}}},
        {"late answer while nobody waits", 100ms, {lost, {a(2), 2, {}, Event::IdleReport}}},
        {"owed only for a while", 100ms, {lost, {a(2), 2, {}, Event::WaitOutGrace}}},
        {"an unplug settles what is owed", 100ms, {lost, {a(2), 2, {}, Event::Replug}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransport transport;
        transport.answerDelay = 2ms;
        Link link(transport, c.wait);
        link.hidconnect();
        std::jthread unplugger;  // the unit leaves while the request waits
        for (const Step& step : c.steps) {
            if (step.event == Event::Detach) transport.attached = false;
            if (step.event == Event::IdleReport) transport.deliver(answerBytes({99}));
            if (step.event == Event::WaitOutGrace)
                std::this_thread::sleep_for(Link::kLateAnswerGrace * c.wait + 50ms);
            if (step.event == Event::Replug) {
                transport.unplug(kUnitDevice);
                transport.plug(kUnitDevice);
            }
            transport.respond = [&](const Report&) {
                for (quint8 marker : step.late) transport.deliver(answerBytes({marker}));
                if (step.event == Event::UnplugMidRequest)
                    unplugger = std::jthread([&] {
                        std::this_thread::sleep_for(20ms);
                        transport.unplug(kUnitDevice);
                    });
                return step.answer;
            };
            const auto start = std::chrono::steady_clock::now();
            const auto answer = link.requestreport(Command::Values);
            EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
            EXPECT_EQ(answer ? (*answer)[1] : -1, step.expected);
        }
    }
}

// The banner goes only once the unit is open; a unit that cannot be opened is tried again
// on every scan, and the user is told why once per arrival.
TEST(Link, UnitIsPresentOnlyWhileOpen) {
    ScriptedTransport transport;
    transport.attached = false;
    transport.openFailure = "permission denied";
    Link link(transport);
    std::vector<bool> presence;
    QStringList told;
    QObject::connect(&link, &Link::unitPresenceChanged, [&](bool p) { presence.push_back(p); });
    QObject::connect(&link, &Link::unitUnavailable, [&](const QString& r) { told << r; });
    link.hidconnect();
    transport.plug(kUnitDevice);
    transport.rescan();
    EXPECT_TRUE(presence.empty());
    EXPECT_EQ(told.size(), 1);

    transport.openFailure.clear();
    transport.rescan();
    transport.unplug({9, kVendorId, 1234});  // says nothing about the unit
    transport.unplug({10, 0x1234, kProductId});
    EXPECT_EQ(presence, std::vector<bool>{true});

    transport.unplug(kUnitDevice);
    transport.openFailure = "permission denied";
    transport.plug(kUnitDevice);
    EXPECT_EQ(presence, (std::vector<bool>{true, false}));
    EXPECT_EQ(told.filter("permission denied").size(), 2);
    EXPECT_FALSE(link.unitPresent());

    link.hiddisconnect();
    link.hiddisconnect();
    EXPECT_EQ(transport.disconnects, 1);
}
