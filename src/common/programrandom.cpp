#include "common/programrandom.h"

namespace nuvo {

double ProgramRandom::uniform() {
    // SplitMix64: small, fast, and the same on every platform and compiler.
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return double(z >> 11) * 0x1.0p-53;
}

int ProgramRandom::position(int count) {
    return static_cast<int>(uniform() * count);
}

}  // namespace nuvo
