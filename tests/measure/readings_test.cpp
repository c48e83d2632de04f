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

QString mark(int index) {
    return QStringLiteral("Shape1(%1)").arg(index);
}

// A "/" answer carrying the four sensor values, high byte first.
std::vector<quint8> fieldAnswer(quint16 v1, quint16 v2, quint16 v3, quint16 v4) {
    std::vector<quint8> report(kReportSize, 0);
    const quint16 values[] = {v1, v2, v3, v4};
    for (int i = 0; i < 4; ++i) {
        report[1 + 2 * i] = quint8(values[i] >> 8);
        report[2 + 2 * i] = quint8(values[i] & 0xFF);
    }
    return report;
}

class ReadingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        link.hidconnect();
        for (const char* name :
             {"tempdisp", "emfdisp", "Shape1(0)", "Shape1(1)", "Shape1(2)", "Shape1(3)"})
            elements.add(QString::fromLatin1(name), {});
        state.waitflag = 1;  // the tick announces each stage
    }

    void answerWith(std::vector<quint8> answer) {
        transport.respond = [answer](const Report&) { return ScriptedTransport::Reply(answer); };
    }
    bool readField(quint16 v1, quint16 v2, quint16 v3, quint16 v4) {
        answerWith(fieldAnswer(v1, v2, v3, v4));
        return getnemf(link, state, elements);
    }
    bool readTemperature(quint8 byte5) {
        answerWith(answerBytes({9, 9, 9, 9, byte5, 9, 9, 9}));
        return getemf(link, state, elements);
    }
    int litMark() const {
        int lit = -1;
        for (int i = 0; i < 4; ++i) {
            const quint32 color = elements.state(mark(i)).color;
            EXPECT_TRUE(color == kRed || color == kGreen) << "mark " << i;
            if (color == kRed) {
                EXPECT_EQ(lit, -1) << "more than one mark is red";
                lit = i;
            }
        }
        return lit;
    }

    ScriptedTransport transport;
    Link link{transport, 20ms};
    MeasureState state;
    ElementStates elements;
};

// Temperature

TEST_F(ReadingsTest, TemperatureIsByteFivePlusCalibration) {
    state.tempcal = -5;
    EXPECT_TRUE(readTemperature(77));
    EXPECT_EQ(state.temperature, 72);
    EXPECT_EQ(state.tempstr, QStringLiteral("72. F"));
    EXPECT_EQ(elements.text("tempdisp"), QStringLiteral("72. F"));
    EXPECT_EQ(state.waitflag, 0);

    // The byte is unsigned: 255 is a hot reading, not -1.
    EXPECT_TRUE(readTemperature(255));
    EXPECT_EQ(state.temperature, 250);
    EXPECT_EQ(elements.text("tempdisp"), QStringLiteral("250. F"));
}

TEST_F(ReadingsTest, TemperatureTextForZeroAndNegative) {
    state.tempcal = 0;
    readTemperature(0);
    EXPECT_EQ(state.temperature, 0);
    EXPECT_EQ(state.tempstr, QStringLiteral(". F"));
    EXPECT_EQ(elements.text("tempdisp"), QStringLiteral(". F"));

    state.tempcal = -20;
    readTemperature(15);
    EXPECT_EQ(state.temperature, -5);
    EXPECT_EQ(elements.text("tempdisp"), QStringLiteral("-5. F"));

    state.tempcal = -300;
    readTemperature(12);
    EXPECT_EQ(elements.text("tempdisp"), QStringLiteral("-288. F"));
}

TEST_F(ReadingsTest, ExtremeCalibrationDoesNotWrapTheTemperature) {
    state.tempcal = 32767;
    readTemperature(255);
    EXPECT_EQ(state.temperature, 32767);
    EXPECT_EQ(state.tempstr, QStringLiteral("32767. F"));
}

TEST_F(ReadingsTest, TemperatureSendsPercentOnly) {
    readTemperature(70);
    ASSERT_EQ(transport.writes().size(), 1u);
    EXPECT_EQ(transport.writes()[0], (Report{0, '%', 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ReadingsTest, TemperatureWithoutAnswerChangesNothing) {
    state.tempcal = -5;
    readTemperature(77);
    elements.takeChanges();

    state.tempcal = 10;
    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    state.waitflag = 1;
    EXPECT_FALSE(getemf(link, state, elements));
    EXPECT_EQ(state.temperature, 72);
    EXPECT_EQ(state.tempstr, QStringLiteral("72. F"));
    EXPECT_TRUE(elements.takeChanges().isEmpty());
    EXPECT_EQ(state.waitflag, 0);
}

// Natural field

TEST_F(ReadingsTest, WeakestSensorLightsTheOppositeMark) {
    state.emf = 100;
    EXPECT_TRUE(readField(480, 500, 500, 520));
    EXPECT_EQ(state.nemftext[0], QStringLiteral("-2 mG"));
    EXPECT_EQ(state.nemftext[1], QStringLiteral(" 0 mG"));
    EXPECT_EQ(state.nemftext[2], QStringLiteral(" 0 mG"));
    EXPECT_EQ(state.nemftext[3], QStringLiteral(" 2 mG"));
    EXPECT_EQ(elements.state(mark(0)).color, kRed);
    EXPECT_EQ(elements.state(mark(1)).color, kGreen);
    EXPECT_EQ(elements.state(mark(2)).color, kGreen);
    EXPECT_EQ(elements.state(mark(3)).color, kGreen);
    EXPECT_EQ(elements.text("emfdisp"), QStringLiteral(" 2 mG"));
    EXPECT_EQ(state.nemfvalue, QStringLiteral(" 2"));
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(ReadingsTest, ZeroEmfGivesZeroFieldsButStillADirection) {
    state.emf = 0;
    readField(480, 500, 500, 520);
    for (const QString& text : state.nemftext) EXPECT_EQ(text, QStringLiteral(" 0 mG"));
    EXPECT_EQ(litMark(), 0);
    EXPECT_EQ(elements.text("emfdisp"), QStringLiteral(" 0 mG"));
    EXPECT_EQ(state.nemfvalue, QStringLiteral(" 0"));
}

TEST_F(ReadingsTest, FieldsAreRealNumbers) {
    state.emf = 33;
    readField(505, 495, 500, 501);  // sensor 2 weakest: right mark, sensor 3 shown
    EXPECT_EQ(state.nemftext[0], QStringLiteral(" .165 mG"));
    EXPECT_EQ(state.nemftext[1], QStringLiteral("-.165 mG"));
    EXPECT_EQ(state.nemftext[2], QStringLiteral(" 0 mG"));
    EXPECT_EQ(state.nemftext[3], QStringLiteral(" .033 mG"));

    // Sensor values span 16 bits; the product must not overflow.
    state.emf = 1000;
    readField(0, 65535, 500, 500);  // sensor 1 weakest: top mark, sensor 4 shown
    EXPECT_EQ(state.nemftext[0], QStringLiteral("-500 mG"));
    EXPECT_EQ(state.nemftext[1], QStringLiteral(" 65035 mG"));
    EXPECT_EQ(litMark(), 0);
    EXPECT_EQ(state.nemfvalue, QStringLiteral(" 0"));
}

TEST_F(ReadingsTest, AllEqualKeepsMarksAndDirectionText) {
    state.emf = 1000;
    readField(600, 400, 510, 550);  // right, sensor 3
    ASSERT_EQ(litMark(), 1);
    ASSERT_EQ(elements.text("emfdisp"), QStringLiteral(" 10 mG"));
    elements.takeChanges();

    state.waitflag = 1;
    EXPECT_TRUE(readField(700, 700, 700, 700));
    // The sensor texts follow the reading; the direction shown does not.
    for (const QString& text : state.nemftext) EXPECT_EQ(text, QStringLiteral(" 200 mG"));
    EXPECT_EQ(state.nemfvalue, QStringLiteral(" 10"));
    EXPECT_TRUE(elements.takeChanges().isEmpty());
    EXPECT_EQ(litMark(), 1);
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(ReadingsTest, NaturalFieldWithoutAnswerChangesNothing) {
    state.emf = 100;
    readField(480, 500, 500, 520);
    elements.takeChanges();
    const MeasureState before = state;

    transport.respond = [](const Report&) { return ScriptedTransport::Reply(); };
    state.emf = 900;
    state.waitflag = 1;
    EXPECT_FALSE(getnemf(link, state, elements));
    EXPECT_EQ(state.nemftext, before.nemftext);
    EXPECT_EQ(state.nemfvalue, before.nemfvalue);
    EXPECT_TRUE(elements.takeChanges().isEmpty());
    EXPECT_EQ(state.waitflag, 0);
}

TEST_F(ReadingsTest, NaturalFieldSendsSlashOnly) {
    readField(500, 500, 500, 500);
    ASSERT_EQ(transport.writes().size(), 1u);
    EXPECT_EQ(transport.writes()[0], (Report{0, '/', 0, 0, 0, 0, 0, 0, 0}));
}

// Direction rules: each case matches more than one rule with different marks, so only
// the order of the rules decides. With emf 1000 a field is V - 500.
struct DirectionCase {
    const char* why;
    quint16 v1, v2, v3, v4;
    int mark;
    const char* shown;
};

void PrintTo(const DirectionCase& c, std::ostream* os) {
    *os << c.why;
}

class DirectionTest : public ReadingsTest, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(DirectionTest, FirstMatchingRuleWins) {
    const DirectionCase& c = GetParam();
    state.emf = 1000;
    readField(c.v1, c.v2, c.v3, c.v4);
    EXPECT_EQ(litMark(), c.mark);
    EXPECT_EQ(elements.text("emfdisp"), QString::fromLatin1(c.shown) + QStringLiteral(" mG"));
    EXPECT_EQ(state.nemfvalue, QString::fromLatin1(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Rules, DirectionTest,
                         ::testing::Values(
                             // Unique weakest (1-4) before unique strongest (9-12).
                             DirectionCase{"rule 2 before rule 11", 600, 400, 510, 550, 1, " 10"},
                             DirectionCase{"rule 3 before rule 10", 500, 510, 520, 400, 2, " 0"},
                             DirectionCase{"rule 4 before rule 12", 510, 530, 400, 520, 3, " 30"},
                             // Two weakest tie: the earlier of rules 5-8 wins.
                             DirectionCase{"rule 5 before rule 6", 400, 400, 500, 600, 0, " 100"},
                             DirectionCase{"rule 6 before rule 7", 510, 400, 520, 400, 1, " 20"},
                             DirectionCase{"rule 7 before rule 8", 510, 520, 400, 400, 2, " 10"},
                             // No weakest, unique strongest: rules 9-12 before 13-16.
                             DirectionCase{"rule 9 before rule 14", 400, 400, 400, 600, 0, " 100"},
                             DirectionCase{"rule 10 before rule 13", 400, 400, 600, 400, 1, " 100"},
                             DirectionCase{"rule 11 before rule 14", 600, 400, 400, 400, 2, " 100"},
                             DirectionCase{"rule 12 before rule 13", 400, 600, 400, 400, 3, " 100"},
                             // Facing pairs tie: rules 13-16 settle it.
                             DirectionCase{"rule 13 before rule 15", 400, 600, 600, 400, 0, "-100"},
                             DirectionCase{"rule 14 before rule 16", 600, 400, 400, 600, 1,
                                           "-100"}),
                         [](const ::testing::TestParamInfo<DirectionCase>& info) {
                             std::string name = info.param.why;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name;
                         });

// Pause

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
