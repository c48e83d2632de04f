#include "measure/getdata.h"

#include "common/elementstates.h"
#include "common/numbertext.h"
#include "device/link.h"
#include "measure/measurestate.h"
#include "measure/rfbands.h"

#include <algorithm>
#include <optional>

namespace nuvo {

namespace {

constexpr quint32 kRed = 0xFF0000;
constexpr quint32 kCyan = 0x00FFFF;

std::array<bool, kRfBandCount> checkedBands(const ElementStates& elements) {
    std::array<bool, kRfBandCount> checked{};
    for (int i = 0; i < kRfBandCount; ++i)
        checked[i] = elements.checked(QString::fromLatin1(rfBands()[i].itemName));
    return checked;
}

QString voltsText(double value) { return fixedTwoText(value) + QStringLiteral(" VDC"); }

// The value of the checked ECM mode; nothing with "ECM OFF". The level and its history
// are 16-bit, so a frequency sum beyond that is held at the top of the range.
std::optional<int> modeValue(const GetDataResult& r, const MeasureState& state,
                             const ElementStates& elements) {
    if (elements.checked(QStringLiteral("ITC1"))) return static_cast<int>(r.chA + r.chB);
    if (elements.checked(QStringLiteral("ITC2"))) return std::min(r.fA + r.fB, 32767);
    if (elements.checked(QStringLiteral("ITC3"))) return state.emf;
    return std::nullopt;
}

int detectChange(int v, const MeasureState& s) {
    if (v >= s.level - s.offset && v <= s.level + s.offset) return 1;
    const auto recent = s.levelhist.begin() + s.histlen + 1;
    return std::find(s.levelhist.begin(), recent, v) != recent ? 1 : 0;
}

void updateLevel(int v, MeasureState& s, ElementStates& elements) {
    s.level = static_cast<qint16>(v);
    const char* trendText = "=";
    s.trend = 0;
    if (s.level > s.prevlevel) {
        trendText = "+";
        s.trend = 2;
    } else if (s.level < s.prevlevel) {
        trendText = "-";
        s.trend = 1;
    }
    elements.setText(QStringLiteral("TRENDDSP"), QString::fromLatin1(trendText));
    s.level = static_cast<qint16>(roundHalfEven((s.level + s.prevlevel) / 2.0));
    s.prevlevel = s.level;
    elements.setText(QStringLiteral("tholddsp"), voltsText(s.level * 5.0 / 2048));
}

}  // namespace

QString frequencyText(int hz) {
    if (hz < 1000) return numberText(hz) + QStringLiteral(" Hz");
    return numberText(hz / 1000.0) + QStringLiteral("KHz");
}

GetDataResult get_data(Link& link, MeasureState& state, ElementStates& elements) {
    GetDataResult r;
    // With High Speed Phoneme in EMF mode only the EMF figure matters: no request at all.
    const bool skipUnit = elements.checked(QStringLiteral("HSPh")) &&
                          elements.checked(QStringLiteral("ITC3"));
    if (!skipUnit) {
        const auto answer = link.requestreport(Command::Values);
        if (!answer) {
            r.unitAnswered = false;
            state.waitflag = 0;
            return r;
        }
        r.chA = state.chalevel;
        r.chB = state.chblevel;
        r.fA = reportWord(*answer, 5);
        r.fB = reportWord(*answer, 7);
        if (r.chA == 0 || r.chB == 0 || r.fA == 0 || r.fB == 0) {
            state.waitflag = 0;
            return r;
        }
        const auto bands = checkedBands(elements);
        const int bandA = inCheckedBand(r.fA, bands) ? 1 : 0;
        const int bandB = inCheckedBand(r.fB, bands) ? 2 : 0;
        r.bandsum = bandA + bandB;
        elements.setColor(QStringLiteral("FREQA"), bandA ? kRed : kCyan);
        elements.setColor(QStringLiteral("FREQB"), bandB ? kRed : kCyan);
        r.favg = (r.fA + r.fB) / 2.0;
        elements.setText(QStringLiteral("FREQA"), frequencyText(r.fA));
        elements.setText(QStringLiteral("FREQB"), frequencyText(r.fB));
        elements.setText(QStringLiteral("CHA_DSP"), voltsText(r.chA * 5 / 1024));
        elements.setText(QStringLiteral("CHB_DSP"), voltsText(r.chB * 5 / 1024));
    }
    r.completed = true;

    // Without a checked mode there is no value to follow and no word to pick.
    if (const auto v = modeValue(r, state, elements)) {
        r.v = *v;
        r.change = detectChange(r.v, state);
        updateLevel(r.v, state, elements);
        if (r.change == 0 && r.bandsum == 0) {
            state.levelhist[state.histpos] = static_cast<qint16>(r.v);
            if (++state.histpos > state.histlen) state.histpos = 0;
            r.wordDue = true;
        }
    }
    state.waitflag = 0;
    return r;
}

}  // namespace nuvo
