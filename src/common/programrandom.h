#pragma once

#include <QtGlobal>

namespace nuvo {

// The program's uniform random generator. The engine's own is never seeded: every start
// begins in the same state, so the same sequence of draws follows each start. The shuffle
// of the word list and the random phoneme routine share it. A control run has its own,
// seeded, so that its draws can be made again from the seed.
class ProgramRandom {
public:
    ProgramRandom() = default;
    explicit ProgramRandom(quint64 seed) : m_state(seed) {}

    // Uniform in [0, 1).
    double uniform();
    // A position drawn uniformly from 0 to count - 1; count must be positive.
    int position(int count);

private:
    quint64 m_state = 0x2545F4914F6CDD1DULL;
};

}  // namespace nuvo
