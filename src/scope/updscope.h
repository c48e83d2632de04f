#pragma once

namespace nuvo {

class Link;
class ElementStates;
struct MeasureState;

// Passes of one scope burst; each answer carries two samples of both channels.
constexpr int kScopePasses = 30;
// Position of the first pass; each pass moves on by kScopePassStride and fills two
// positions, so positions 1, 2, 5, 6, ..., 117, 118 are written and the rest stay 0.
constexpr int kScopeFirstPosition = 1;
constexpr int kScopePassStride = 4;

// Whether a burst writes sample position `position`; the others hold no measurement.
constexpr bool scopePositionWritten(int position) {
    const int offset = position - kScopeFirstPosition;
    return offset >= 0 && offset < kScopePasses * kScopePassStride &&
           offset % kScopePassStride < 2;
}

// The scope stage of the acquisition tick: fetches the burst of samples, stores them in
// the three sample arrays and derives the channel levels, the EMF figure and the EMF
// texts (EMFdisplay1, emftexta, emftextb) from the first sample of each pass.
//
// When any request goes unanswered (unit unplugged), the stage stops at once and keeps
// every previous value: a half-filled burst would give wrong levels to the next tick.
// Returns whether the burst was complete. Clears waitflag in every case.
bool updscope(Link& link, MeasureState& state, ElementStates& elements);

}  // namespace nuvo
