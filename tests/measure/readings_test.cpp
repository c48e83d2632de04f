#include "measure/readings.h"

#include <gtest/gtest.h>

#include "measure/unitrig.h"
#include "settings/filebytes.h"  // readable QString failures

using namespace nuvo;
using namespace nuvo::test;

namespace {

constexpr quint32 kRed = 0xFF0000;
constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kUntouched = 0x123456;

QString mark(int index) {
    return QStringLiteral("Shape1(%1)").arg(index);
}

struct ReadingsTest : ::testing::Test, UnitRig {
    // Sensors 1..4 report `values` (nothing: no answer); `emf` is the scale.
    bool readField(int emf, const std::optional<Words>& values) {
        answer(values);
        state.emf = qint16(emf);
        state.waitflag = 1;
        return getnemf(link, state, elements);
    }
};

// The last row goes unanswered (byte 5 -1): nothing changes.
TEST_F(ReadingsTest, TemperatureIsByteFivePlusCalibration) {
    const std::tuple<int, int, int, const char*> cases[] = {
        {-5, 77, 72, "72. F"},
        {-5, 255, 250, "250. F"},  // the byte is unsigned
        {0, 0, 0, ". F"},
        {-20, 15, -5, "-5. F"},
        {32767, 255, 32767, "32767. F"},  // a hand-edited calibration must not wrap round
        {10, -1, 32767, "32767. F"},
    };
    for (const auto& [tempcal, byte5, degrees, text] : cases) {
        SCOPED_TRACE(byte5);
        answer(byte5 < 0 ? std::nullopt
                         : std::optional(Words{0x909, 0x909, quint16(byte5 << 8 | 9), 0x909}));
        state.tempcal = qint16(tempcal);
        state.waitflag = 1;
        EXPECT_EQ(getemf(link, state, elements), byte5 >= 0);
        EXPECT_EQ(
            std::tuple(state.temperature, state.tempstr, elements.text("tempdisp"), state.waitflag),
            std::tuple(degrees, QString(text), QString(text), 0));
        EXPECT_EQ(takeSent(), "%");
    }
}

// Sensor values of 500 mean no field. The last row goes unanswered: nothing changes.
TEST_F(ReadingsTest, FieldOfEachSensorIsItsOffsetFromFiveHundredScaledByEmf) {
    const std::tuple<int, std::optional<Words>, std::array<const char*, 4>, const char*> cases[] = {
        {0, {{480, 500, 500, 520}}, {" 0", " 0", " 0", " 0"}, " 0"},
        {33, {{505, 495, 500, 501}}, {" .165", "-.165", " 0", " .033"}, " 0"},  // real numbers
        {1000, {{0, 65535, 500, 500}}, {"-500", " 65035", " 0", " 0"}, " 0"},   // no overflow
        {100, {{480, 500, 500, 520}}, {"-2", " 0", " 0", " 2"}, " 2"},
        {900, std::nullopt, {"-2", " 0", " 0", " 2"}, " 2"},
    };
    for (const auto& [emf, values, texts, shown] : cases) {
        SCOPED_TRACE(emf);
        EXPECT_EQ(readField(emf, values), values.has_value());
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(state.nemftext[i], QString::fromLatin1(texts[i]) + " mG") << i + 1;
        EXPECT_EQ(elements.text("emfdisp"), QString::fromLatin1(shown) + " mG");
        EXPECT_EQ(state.nemfvalue, QString::fromLatin1(shown));
        EXPECT_EQ(state.waitflag, 0);
        EXPECT_EQ(takeSent(), "/");
    }
}

// Every assignment of three field strengths (499, 500, 501) to the four sensors, v1
// slowest and v4 fastest: the lit mark (0 top, 1 right, 2 bottom, 3 left), or '-' where
// all four are equal and the marks and the direction text stay as they were.
TEST_F(ReadingsTest, DirectionRulesLightOneMarkAndShowItsSensor) {
    const char* const expected =
        "-00100100300000100300300000"
        "2101111112332-0210233230200"
        "22111111123322121123322322-";
    constexpr int kShownSensor[] = {4, 3, 1, 2};  // by mark: top, right, bottom, left
    const char* const fieldText[] = {"-1", " 0", " 1"};
    for (int n = 0; n < 81; ++n) {
        const std::array<int, 4> level{n / 27, n / 9 % 3, n / 3 % 3, n % 3};
        SCOPED_TRACE(testing::Message()
                     << "v1..v4 " << level[0] << level[1] << level[2] << level[3]);
        for (int i = 0; i < 4; ++i) elements.setColor(mark(i), kUntouched);
        elements.setText("emfdisp", "old");
        state.nemfvalue = "old";

        readField(1000, Words{quint16(499 + level[0]), quint16(499 + level[1]),
                              quint16(499 + level[2]), quint16(499 + level[3])});
        const int lit = expected[n] == '-' ? -1 : expected[n] - '0';
        const QString shown = lit < 0 ? "old" : fieldText[level[kShownSensor[lit] - 1]];
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(elements.state(mark(i)).color, lit < 0    ? kUntouched
                                                     : i == lit ? kRed
                                                                : kGreen)
                << "mark " << i;
        EXPECT_EQ(elements.text("emfdisp"), lit < 0 ? shown : shown + " mG");
        EXPECT_EQ(state.nemfvalue, shown);
    }
}

}  // namespace
