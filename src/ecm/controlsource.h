#pragma once

#include "common/programrandom.h"

namespace nuvo {

// Stands in for the unit in a control run: each word's mode value is a position drawn
// uniformly over the list, from a generator seeded for the one question, so that a
// reviewer can draw the same values again from the recorded seed. A blind question's
// choice between the unit and this source is the seed's first draw.
class ControlSource {
public:
    explicit ControlSource(quint64 seed);

    // A new seed, from the system's entropy; below 2^48, so that every reader of the record
    // keeps it exactly (JSON readers and spreadsheets hold numbers as doubles).
    static quint64 newSeed();

    // Whether a blind question with this seed is answered by the source.
    bool chosen() const { return m_chosen; }
    // The next word's mode value for a list of `listSize` entries (0 for an empty list).
    int value(int listSize);

private:
    ProgramRandom m_random;
    bool m_chosen = false;
};

}  // namespace nuvo
