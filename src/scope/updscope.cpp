#include "scope/updscope.h"

#include "common/elementstates.h"
#include "common/numbertext.h"
#include "device/link.h"
#include "measure/measurestate.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace nuvo {

namespace {

using Samples = std::array<qint16, kScopePositions>;

// Mean over the burst: 30 first samples, each on a 0..2000 scale, divided by 4 more.
constexpr double kMeanDivisor = 120.0;
// rawA / 12 is the 30-sample sum scaled to counts (mean × 2.5), limited to full scale.
constexpr double kLevelDivisor = 12.0;
constexpr double kLevelLimit = 1024.0;

double scaledAB(int a, int b) { return (a + b) * 2000.0 / 2048.0; }
double scaledChannel(int v) { return v * 2000.0 / 1024.0; }

// A faulty report can carry values far beyond the ADC range; saturate rather than wrap
// so the arrays never hold a sign-flipped sample.
qint16 toSample(double value) {
    const qint64 rounded = roundHalfEven(value);
    return static_cast<qint16>(std::clamp<qint64>(rounded, std::numeric_limits<qint16>::min(),
                                                  std::numeric_limits<qint16>::max()));
}

void store(Samples& ab, Samples& a, Samples& b, int position, int valueA, int valueB) {
    ab[position] = toSample(scaledAB(valueA, valueB));
    a[position] = toSample(scaledChannel(valueA));
    b[position] = toSample(scaledChannel(valueB));
}

QString emfText(double mean, int falls) {
    const double value = mean * falls * std::sin(240.0) / 100.0 / 2.0;
    return upToTwoText(value) + QStringLiteral(" mG");
}

double channelLevel(double raw) {
    const double level = std::floor(raw / kLevelDivisor);
    return level < kLevelLimit ? level : kLevelLimit;
}

}  // namespace

bool updscope(Link& link, MeasureState& state, ElementStates& elements) {
    // Work on copies: only a complete burst replaces what the last one left.
    Samples scopeab = state.scopeab;
    Samples scopea = state.scopea;
    Samples scopeb = state.scopeb;

    double sumAB = 0, sumA2000 = 0, sumB2000 = 0;
    double rawA = 0, rawB = 0;
    double previousAB = 0;  // so the first pass never counts as a fall
    int falls = 0;

    for (int pass = 0; pass < kScopePasses; ++pass) {
        const int i = kScopeFirstPosition + pass * kScopePassStride;
        const std::optional<Report> answer = link.requestreport(Command::ScopeSamples);
        if (!answer) {
            state.waitflag = 0;
            return false;
        }
        const auto words = reportWords(*answer);
        const int a1 = words[0], b1 = words[1], a2 = words[2], b2 = words[3];

        store(scopeab, scopea, scopeb, i, a1, b1);

        // Only the first sample of each pass feeds the read-outs.
        const double ab = scaledAB(a1, b1);
        sumAB += ab;
        sumA2000 += scaledChannel(a1);
        sumB2000 += scaledChannel(b1);
        rawA += a1;
        rawB += b1;
        if (previousAB > ab) ++falls;
        previousAB = ab;

        store(scopeab, scopea, scopeb, i + 1, a2, b2);
    }

    state.scopeab = scopeab;
    state.scopea = scopea;
    state.scopeb = scopeb;

    elements.setText(QStringLiteral("EMFdisplay1"), emfText(sumAB / kMeanDivisor, falls));

    const double meanA = sumA2000 / kMeanDivisor;
    const double meanB = sumB2000 / kMeanDivisor;
    // The figure is rounded twice: once for A alone, once after adding B.
    const qint64 emf = roundHalfEven(static_cast<double>(roundHalfEven(meanA)) + meanB);
    state.emf = static_cast<qint16>(std::clamp<qint64>(emf, std::numeric_limits<qint16>::min(),
                                                       std::numeric_limits<qint16>::max()));
    state.emftexta = emfText(meanA, falls);
    state.emftextb = emfText(meanB, falls);

    state.chalevel = channelLevel(rawA);
    state.chblevel = channelLevel(rawB);

    state.waitflag = 0;
    return true;
}

}  // namespace nuvo
