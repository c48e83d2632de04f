#pragma once

#include <QString>

namespace nuvo {

class ElementStates;
class Link;
struct MeasureState;

// What one get_data call hands to the later stages of the same tick.
struct GetDataResult {
    bool unitAnswered = true;  // false: the unit did not answer; the tick ends here
    bool completed = false;    // false when the call ended early (zero level or frequency)
    double chA = 0, chB = 0;   // channel levels in ADC counts
    int fA = 0, fB = 0;        // channel frequencies in Hz
    int bandsum = 0;           // 0 none, 1 A, 2 B, 3 both in a checked RF band
    double favg = 0;
    int change = 1;            // 0: a new value that no recent value matches
    bool wordDue = false;      // the word stage picks the entry at position v
    int v = 0;                 // the checked mode's value
};

// The measuring part of the acquisition tick: frequencies, RF bands, channel voltages,
// ECM change detection, level and trend. Reads the check marks from `elements` and writes
// the read-outs there.
GetDataResult get_data(Link& link, MeasureState& state, ElementStates& elements);

// Frequency read-out: " 440 Hz" below 1 kHz, " 1.5KHz" from there on.
QString frequencyText(int hz);

}  // namespace nuvo
