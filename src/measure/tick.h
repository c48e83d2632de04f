#pragma once

#include "measure/getdata.h"

#include <functional>

namespace nuvo {

class ElementStates;
class Link;
struct MeasureState;

struct TickOutcome {
    GetDataResult data;
    bool scopeSampled = false;  // the scope stage has fresh samples to draw
};

// The stages of one acquisition tick, strictly one after another: get_data, temperature,
// scope, natural field. High Speed Phoneme leaves out the slow sensors. A stage the unit
// does not answer ends the tick; the next tick starts afresh. `afterGetData` runs right
// after get_data when the unit answered (the word, logs and alarms of the tick), so a word
// follows its reading without waiting for the slower stages.
TickOutcome runTick(Link& link, MeasureState& state, ElementStates& elements,
                    const std::function<void(const GetDataResult&)>& afterGetData = {});

}  // namespace nuvo
