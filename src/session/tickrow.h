#pragma once

#include "session/sessionrows.h"

namespace nuvo {

class ElementStates;
struct GetDataResult;
struct MeasureState;

// "voltage", "frequency", "emf" or "off", after the checked ECM mode item.
QString ecmModeName(const ElementStates& elements);

// The record of a tick from what it measured and the state it left, as the engine keeps
// it and a replay recomputes it.
TickRow makeTickRow(const GetDataResult& data, const MeasureState& state,
                    const ElementStates& elements);

}  // namespace nuvo
