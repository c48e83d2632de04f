#include "scope/scopeframe.h"

#include "common/elementstates.h"
#include "scope/updscope.h"

namespace nuvo {

ScopeFrame scopeFrame(const MeasureState& state, const ElementStates& elements) {
    ScopeFrame frame;
    frame.scopeab = state.scopeab;
    frame.scopea = state.scopea;
    frame.scopeb = state.scopeb;
    frame.showab = elements.checked(QStringLiteral("showab"));
    frame.showA = elements.checked(QStringLiteral("ShowA"));
    frame.showb = elements.checked(QStringLiteral("showb"));

    // The menu keeps exactly one time base checked.
    if (elements.checked(QStringLiteral("tb1")))
        frame.step = kStepTb1;
    else if (elements.checked(QStringLiteral("tb5")))
        frame.step = kStepTb5;
    else if (elements.checked(QStringLiteral("tb10")))
        frame.step = kStepTb10;
    else
        frame.step = kStepTb100;
    return frame;
}

QList<QPoint> tracePoints(const std::array<qint16, kScopePositions>& samples, int step, int width) {
    QList<QPoint> points;
    for (int p = 1, x = 1; p < kScopePositions && x <= width; ++p, x += step)
        if (scopePositionWritten(p)) points.append(QPoint(x, kScopeFullScale - samples[p]));
    return points;
}

}  // namespace nuvo
