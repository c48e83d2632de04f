#include "measure/readings.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "common/numbertext.h"

namespace nuvo {

namespace {

const QString kTempDisp = QStringLiteral("tempdisp");
const QString kEmfDisp = QStringLiteral("emfdisp");
const QString kUnit = QStringLiteral(" mG");

constexpr quint32 kLitMark = 0xFF0000;    // red
constexpr quint32 kUnlitMark = 0x00FF00;  // green
constexpr int kZeroField = 500;           // a sensor value of 500 means no field

// Direction marks, by their index in the Shape1 group.
enum Mark { Top = 0, Right = 1, Bottom = 2, Left = 3, MarkCount = 4 };

// Each mark shows the sensor on its own side (sensors 1/4 and 2/3 face each other).
constexpr std::array<int, MarkCount> kShownSensor{4, 3, 1, 2};

struct Sensors {
    int v1, v2, v3, v4;
};

struct DirectionRule {
    bool (*matches)(const Sensors&);
    Mark mark;
};

// First match wins. The mark opposite the weakest sensor (1-8), else the mark of the
// strongest sensor (9-12), else the remaining ties (13-16). Four equal values match none.
constexpr std::array<DirectionRule, 16> kDirectionRules{{
    {[](const Sensors& s) { return s.v1 < s.v4 && s.v1 < s.v3 && s.v1 < s.v2; }, Top},
    {[](const Sensors& s) { return s.v2 < s.v3 && s.v2 < s.v4 && s.v2 < s.v1; }, Right},
    {[](const Sensors& s) { return s.v4 < s.v1 && s.v4 < s.v2 && s.v4 < s.v3; }, Bottom},
    {[](const Sensors& s) { return s.v3 < s.v2 && s.v3 < s.v4 && s.v3 < s.v1; }, Left},
    {[](const Sensors& s) { return s.v1 < s.v4 && (s.v1 < s.v2 || s.v1 < s.v3); }, Top},
    {[](const Sensors& s) { return s.v2 < s.v3 && (s.v2 < s.v1 || s.v2 < s.v4); }, Right},
    {[](const Sensors& s) { return s.v4 < s.v1 && (s.v4 < s.v2 || s.v4 < s.v3); }, Bottom},
    {[](const Sensors& s) { return s.v3 < s.v2 && (s.v3 < s.v1 || s.v3 < s.v4); }, Left},
    {[](const Sensors& s) { return s.v4 > s.v1 && s.v4 > s.v3 && s.v4 > s.v2; }, Top},
    {[](const Sensors& s) { return s.v3 > s.v2 && s.v3 > s.v4 && s.v3 > s.v1; }, Right},
    {[](const Sensors& s) { return s.v1 > s.v4 && s.v1 > s.v2 && s.v1 > s.v3; }, Bottom},
    {[](const Sensors& s) { return s.v2 > s.v3 && s.v2 > s.v4 && s.v2 > s.v1; }, Left},
    {[](const Sensors& s) { return s.v1 < s.v2 || s.v1 < s.v3; }, Top},
    {[](const Sensors& s) { return s.v2 < s.v1 || s.v2 < s.v4; }, Right},
    {[](const Sensors& s) { return s.v4 < s.v2 || s.v4 < s.v3; }, Bottom},
    {[](const Sensors& s) { return s.v3 < s.v1 || s.v3 < s.v4; }, Left},
}};

std::optional<Mark> direction(const Sensors& sensors) {
    for (const DirectionRule& rule : kDirectionRules)
        if (rule.matches(sensors)) return rule.mark;
    return std::nullopt;
}

QString markName(int mark) {
    return QStringLiteral("Shape1(%1)").arg(mark);
}

}  // namespace

bool getemf(Link& link, MeasureState& state, ElementStates& elements) {
    const std::optional<Report> answer = link.requestreport(Command::Temperature);
    if (answer) {
        // A calibration from a hand-edited settings file must not wrap the reading round.
        const int degrees =
            std::clamp<int>(state.tempcal + (*answer)[5], std::numeric_limits<qint16>::min(),
                            std::numeric_limits<qint16>::max());
        state.temperature = static_cast<qint16>(degrees);
        state.tempstr = upToTwoText(state.temperature) + QStringLiteral(" F");
        elements.setText(kTempDisp, state.tempstr);
    }
    state.waitflag = 0;
    return answer.has_value();
}

bool getnemf(Link& link, MeasureState& state, ElementStates& elements) {
    const std::optional<Report> answer = link.requestreport(Command::NaturalField);
    if (!answer) {
        state.waitflag = 0;
        return false;
    }

    const std::array<quint16, 4> values = reportWords(*answer);
    std::array<QString, 4> fieldTexts;
    for (std::size_t i = 0; i < values.size(); ++i) {
        // Multiply before dividing, in real numbers, so small fields keep their decimals.
        const double field = double(int(values[i]) - kZeroField) * state.emf / 1000.0;
        fieldTexts[i] = numberText(field);
        state.nemftext[i] = fieldTexts[i] + kUnit;
    }

    state.nemfsensors = values;
    const Sensors sensors{values[0], values[1], values[2], values[3]};
    if (const std::optional<Mark> lit = direction(sensors)) {
        state.direction = *lit;
        for (int mark = 0; mark < MarkCount; ++mark)
            elements.setColor(markName(mark), mark == *lit ? kLitMark : kUnlitMark);
        state.nemfvalue = fieldTexts[kShownSensor[*lit] - 1];
        elements.setText(kEmfDisp, state.nemfvalue + kUnit);
    }

    state.waitflag = 0;
    return true;
}

}  // namespace nuvo
