#pragma once

#include "common/elementstates.h"
#include "device/link.h"
#include "measure/measurestate.h"

namespace nuvo {

// The slow-sensor stages of the acquisition tick. Each sends one request and ends the stage
// (clears `waitflag`) whether or not the unit answered; without an answer nothing else
// changes, so the read-outs keep the last values and the next tick tries again.
// Whether a stage runs at all in the current mode is the tick's decision.

// Reads the temperature ("%"), shows it in "tempdisp". False when the unit did not answer.
bool getemf(Link& link, MeasureState& state, ElementStates& elements);

// Reads the four natural-field sensors ("/"), lights the direction mark "Shape1(0..3)" and
// shows the field of that direction in "emfdisp". False when the unit did not answer.
bool getnemf(Link& link, MeasureState& state, ElementStates& elements);

}  // namespace nuvo
