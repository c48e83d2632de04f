#include "scope/scopeframe.h"

#include "common/elementstates.h"

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

}  // namespace nuvo
