#include "measure/tick.h"

#include "common/elementstates.h"
#include "measure/measurestate.h"
#include "measure/readings.h"
#include "scope/updscope.h"

namespace nuvo {

TickOutcome runTick(Link& link, MeasureState& state, ElementStates& elements,
                    const std::function<void(const GetDataResult&)>& afterGetData) {
    TickOutcome outcome;
    state.waitflag = 1;
    outcome.data = get_data(link, state, elements);
    if (!outcome.data.unitAnswered) return outcome;
    if (afterGetData) afterGetData(outcome.data);

    const bool highSpeed = elements.checked(QStringLiteral("HSPh"));
    const bool emfMode = elements.checked(QStringLiteral("ITC3"));
    state.waitflag = 1;
    if (!(highSpeed && !emfMode) && !getemf(link, state, elements)) return outcome;

    state.waitflag = 1;
    outcome.scopeSampled = updscope(link, state, elements);
    if (!outcome.scopeSampled) return outcome;

    state.waitflag = 1;
    if (!highSpeed) getnemf(link, state, elements);
    return outcome;
}

}  // namespace nuvo
