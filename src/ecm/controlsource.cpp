#include "ecm/controlsource.h"

#include <random>

namespace nuvo {

ControlSource::ControlSource(quint64 seed) : m_random(seed), m_chosen(m_random.uniform() < 0.5) {}

quint64 ControlSource::newSeed() {
    std::random_device entropy;
    const quint64 seed = (quint64(entropy()) << 32) ^ entropy();
    return seed >> 16;
}

int ControlSource::value(int listSize) {
    return listSize > 0 ? m_random.position(listSize) : 0;
}

}  // namespace nuvo
