#pragma once

#include <QString>

#include <array>

namespace nuvo {

// One speaking voice. say() hands the text over and returns at once; a new text replaces
// any text still waiting, while the one being spoken finishes. Safe to call from any thread.
class Voice {
public:
    virtual ~Voice() = default;
    virtual void say(const QString& text) = 0;
};

// The four voices in their order: speakman, speak2, speak3, speak4. A null entry is silent.
using Voices = std::array<Voice*, 4>;

}  // namespace nuvo
