#include "measure/readings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>

#include "device/scriptedtransport.h"

// Readable failures: QString is a global type, so its printer lives here.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace nuvo;
using namespace nuvo::test;
using namespace std::chrono_literals;

namespace {

constexpr quint32 kRed = 0xFF0000;
constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kUntouched = 0x123456;

QString mark(int index) {
    return QStringLiteral("Shape1(%1)").arg(index);
}

class ReadingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        link.hidconnect();
        for (const char* name : {"tempdisp", "emfdisp"}) elements.add(QString::fromLatin1(name), {});
        for (int i = 0; i < 4; ++i) elements.add(mark(i), {});
    }

    void answerWith(std::initializer_list<quint8> bytes) {
        const std::vector<quint8> answer = answerBytes(bytes);
        transport.respond = [answer](const Report&) { return ScriptedTransport::Reply(answer); };
    }
    // A "/" answer carrying the four sensor values, high byte first.
    bool readField(int emf, const std::array<quint16, 4>& v) {
        answerWith({quint8(v[0] >> 8), quint8(v[0]), quint8(v[1] >> 8), quint8(v[1]),
                    quint8(v[2] >> 8), quint8(v[2]), quint8(v[3] >> 8), quint8(v[3])});
        state.emf = qint16(emf);
        state.waitflag = 1;
        return getnemf(link, state, elements);
    }

    ScriptedTransport transport;
    Link link{transport, 20ms};
    MeasureState state;
    ElementStates elements;
};

TEST_F(ReadingsTest, TemperatureIsByteFivePlusCalibration) {
    struct Case {
        qint16 tempcal;
        quint8 byte5;
        qint16 degrees;
        const char* text;
    };
    const Case cases[] = {
        {-5, 77, 72, "72. F"},   {-5, 255, 250, "250. F"},  // the byte is unsigned
        {0, 0, 0, ". F"},        {-20, 15, -5, "-5. F"},
        {32767, 255, 32767, "32767. F"},  // a hand-edited calibration must not wrap round
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        transport.clearWrites();
        answerWith({9, 9, 9, 9, c.byte5, 9, 9, 9});
        state.tempcal = c.tempcal;
        state.waitflag = 1;
        EXPECT_TRUE(getemf(link, state, elements));
        EXPECT_EQ(state.temperature, c.degrees);
        EXPECT_EQ(state.tempstr, QString::fromLatin1(c.text));
        EXPECT_EQ(elements.text("tempdisp"), QString::fromLatin1(c.text));
        EXPECT_EQ(state.waitflag, 0);
        EXPECT_EQ(transport.commandsWritten(), std::vector<char>{'%'});
    }
}

TEST_F(ReadingsTest, FieldOfEachSensorIsItsOffsetFromFiveHundredScaledByEmf) {
    struct Case {
        int emf;
        std::array<quint16, 4> v;
        std::array<const char*, 4> texts;
    };
    const Case cases[] = {
        {100, {480, 500, 500, 520}, {"-2", " 0", " 0", " 2"}},
        {33, {505, 495, 500, 501}, {" .165", "-.165", " 0", " .033"}},  // real numbers
        {1000, {0, 65535, 500, 500}, {"-500", " 65035", " 0", " 0"}},   // no overflow
        {0, {480, 500, 500, 520}, {" 0", " 0", " 0", " 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.emf);
        transport.clearWrites();
        EXPECT_TRUE(readField(c.emf, c.v));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(state.nemftext[i], QString::fromLatin1(c.texts[i]) + " mG") << "sensor " << i + 1;
        EXPECT_EQ(state.waitflag, 0);
        EXPECT_EQ(transport.commandsWritten(), std::vector<char>{'/'});
    }
}

// Every assignment of three field strengths (499, 500, 501) to the four sensors, v1
// slowest and v4 fastest: the lit mark (0 top, 1 right, 2 bottom, 3 left), or '-' where
// all four are equal and the marks and the direction text stay as they were.
TEST_F(ReadingsTest, DirectionRulesLightOneMarkAndShowItsSensor) {
    const char* const expected = "-00100100300000100300300000"
                                 "2101111112332-0210233230200"
                                 "22111111123322121123322322-";
    constexpr int kShownSensor[] = {4, 3, 1, 2};  // by mark: top, right, bottom, left
    const char* const fieldText[] = {"-1", " 0", " 1"};
    for (int n = 0; n < 81; ++n) {
        const std::array<int, 4> level{n / 27, n / 9 % 3, n / 3 % 3, n % 3};
        SCOPED_TRACE(testing::Message() << "v1..v4 " << level[0] << level[1] << level[2] << level[3]);
        for (int i = 0; i < 4; ++i) elements.setColor(mark(i), kUntouched);
        elements.setText("emfdisp", "old");
        state.nemfvalue = "old";

        readField(1000, {quint16(499 + level[0]), quint16(499 + level[1]), quint16(499 + level[2]),
                         quint16(499 + level[3])});
        if (expected[n] == '-') {
            for (int i = 0; i < 4; ++i) EXPECT_EQ(elements.state(mark(i)).color, kUntouched);
            EXPECT_EQ(elements.text("emfdisp"), "old");
            EXPECT_EQ(state.nemfvalue, "old");
            EXPECT_EQ(state.nemftext[0], QString::fromLatin1(fieldText[level[0]]) + " mG");
            continue;
        }
        const int lit = expected[n] - '0';
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(elements.state(mark(i)).color, i == lit ? kRed : kGreen) << "mark " << i;
        const QString shown = QString::fromLatin1(fieldText[level[kShownSensor[lit] - 1]]);
        EXPECT_EQ(elements.text("emfdisp"), shown + " mG");
        EXPECT_EQ(state.nemfvalue, shown);
    }
}

TEST_F(ReadingsTest, AStageWithoutAnswerChangesNothing) {
    answerWith({0, 0, 0, 0, 77});
    getemf(link, state, elements);
    readField(100, {480, 500, 500, 520});
    elements.takeChanges();
    const MeasureState before = state;

    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    state.tempcal = 10;
    state.emf = 900;
    for (auto stage : {getemf, getnemf}) {
        state.waitflag = 1;
        EXPECT_FALSE(stage(link, state, elements));
        EXPECT_EQ(state.waitflag, 0);
    }
    EXPECT_EQ(state.temperature, before.temperature);
    EXPECT_EQ(state.tempstr, before.tempstr);
    EXPECT_EQ(state.nemftext, before.nemftext);
    EXPECT_EQ(state.nemfvalue, before.nemfvalue);
    EXPECT_TRUE(elements.takeChanges().isEmpty());
}

TEST(Dtimer, PausesForTheGivenMilliseconds) {
    const auto start = std::chrono::steady_clock::now();
    dtimer(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);

    const auto again = std::chrono::steady_clock::now();
    dtimer(0);
    dtimer(-1000);
    EXPECT_LT(std::chrono::steady_clock::now() - again, 20ms);
}

}  // namespace
