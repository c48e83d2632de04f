#pragma once

#include <QString>

#include <array>
#include <optional>

namespace nuvo {

class CurrentList;
class Link;
class ProgramRandom;

using SliceValues = std::array<qint16, 4>;  // one value per voice

// The four values of one phoneme tick: positions drawn at random among the entries of
// `list`, or the four words of the unit's answer to ">" (both signal values, then both
// frequencies). Nothing when the unit does not answer.
std::optional<SliceValues> phonemeValues(bool randomValues, Link& link, const CurrentList& list,
                                         ProgramRandom& random);

// What each voice says on this tick: the entry at its value, for every checked voice
// whose value changed since its last tick; nothing for the others. `lastslice` takes the
// new values, spoken or not.
std::array<std::optional<QString>, 4> pickPhonemes(const SliceValues& values,
                                                   const std::array<bool, 4>& voiceChecked,
                                                   CurrentList& list, SliceValues& lastslice);

// The rest after a tick of random values, in milliseconds.
constexpr int kRandomPhonemePauseMs = 200;

}  // namespace nuvo
