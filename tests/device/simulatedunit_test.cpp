#include "device/link.h"
#include "device/simulatedunit.h"

#include <gtest/gtest.h>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

std::vector<Report> session(quint64 seed) {
    SimulatedUnit unit(seed);
    Link link(unit);
    link.hidconnect();
    std::vector<Report> answers;
    for (int i = 0; i < 20; ++i)
        for (Command c : {Command::Values, Command::Temperature, Command::ScopeSamples,
                          Command::NaturalField})
            answers.push_back(link.requestreport(c).value());
    return answers;
}

}  // namespace

TEST(SimulatedUnit, SameSeedSameReadingsOtherSeedOtherReadings) {
    EXPECT_EQ(session(42), session(42));
    EXPECT_NE(session(42), session(43));
}

TEST(SimulatedUnit, ReadingsArePlausible) {
    SimulatedUnit unit(7);
    Link link(unit);
    link.hidconnect();
    for (int i = 0; i < 500; ++i) {
        const auto values = reportWords(link.requestreport(Command::Values).value());
        EXPECT_GT(values[2], 0);  // mains hum on channel A
        EXPECT_GE(values[3], 150);
        EXPECT_LE(values[3], 32000);

        const int temperature = link.requestreport(Command::Temperature).value()[5];
        EXPECT_GE(temperature, 74);
        EXPECT_LE(temperature, 80);

        for (quint16 v : reportWords(link.requestreport(Command::NaturalField).value())) {
            EXPECT_GE(v, 470);
            EXPECT_LE(v, 530);
        }
        for (quint16 v : reportWords(link.requestreport(Command::ScopeSamples).value()))
            EXPECT_LE(v, 1024);
    }
}

TEST(SimulatedUnit, ScopeSamplesShowAWaveform) {
    SimulatedUnit unit(3);
    Link link(unit);
    link.hidconnect();
    int lowest = 65535, highest = 0;
    for (int i = 0; i < 30; ++i) {
        const int a = reportWord(link.requestreport(Command::ScopeSamples).value(), 1);
        lowest = std::min(lowest, a);
        highest = std::max(highest, a);
    }
    EXPECT_GT(highest - lowest, 40);
}

TEST(SimulatedUnit, AnswersOnlyOnceReadNotifyIsOnAndNeverToTheLevelCommand) {
    SimulatedUnit unit;
    struct Counter : TransportListener {
        int reads = 0;
        void OnPlugged(const HidDevice&) override {}
        void OnUnplugged(const HidDevice&) override {}
        void OnChanged() override {}
        void OnRead(std::span<const quint8>) override { ++reads; }
    } listener;
    unit.connect(&listener);
    Report values{0, '>'};
    EXPECT_TRUE(unit.write(values));
    EXPECT_EQ(listener.reads, 0);
    unit.enableReadNotify();
    unit.write(values);
    unit.write(Report{0, '!', 100});
    EXPECT_EQ(listener.reads, 1);
}

TEST(SimulatedUnit, InjectedFaultsReachTheLinkAsNoAnswer) {
    SimulatedUnit unit;
    Link link(unit, 20ms);
    link.hidconnect();

    unit.injectFault(SimulatedUnit::Fault::NoAnswer);
    EXPECT_FALSE(link.requestreport(Command::Values));
    EXPECT_TRUE(link.requestreport(Command::Values));

    unit.injectFault(SimulatedUnit::Fault::ShortReport, 2);
    EXPECT_FALSE(link.requestreport(Command::Values));
    EXPECT_FALSE(link.requestreport(Command::Values));
    EXPECT_EQ(link.droppedReports(), 2);

    unit.injectFault(SimulatedUnit::Fault::GarbageReport);
    EXPECT_TRUE(link.requestreport(Command::Temperature));  // well formed, meaningless

    unit.injectFault(SimulatedUnit::Fault::UnplugMidRequest);
    EXPECT_FALSE(link.requestreport(Command::ScopeSamples));
    EXPECT_FALSE(link.unitPresent());
    EXPECT_FALSE(link.requestreport(Command::Values));

    unit.plug();
    EXPECT_TRUE(link.unitPresent());
    EXPECT_TRUE(link.requestreport(Command::Values));
}
