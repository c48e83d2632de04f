#include "ecm/phoneme.h"

#include "common/programrandom.h"
#include "device/link.h"
#include "ecm/currentlist.h"

namespace nuvo {

std::optional<SliceValues> phonemeValues(bool randomValues, Link& link, const CurrentList& list,
                                         ProgramRandom& random) {
    SliceValues values{};
    if (randomValues) {
        for (qint16& value : values) value = static_cast<qint16>(random.position(list.size()));
        return values;
    }
    const auto answer = link.requestreport(Command::Values);
    if (!answer) return std::nullopt;
    const auto words = reportWords(*answer);
    for (int k = 0; k < 4; ++k) values[k] = static_cast<qint16>(words[k]);
    return values;
}

std::array<std::optional<QString>, 4> pickPhonemes(const SliceValues& values,
                                                   const std::array<bool, 4>& voiceChecked,
                                                   CurrentList& list, SliceValues& lastslice) {
    std::array<std::optional<QString>, 4> spoken;
    for (int k = 0; k < 4; ++k)
        if (voiceChecked[k] && values[k] != lastslice[k]) spoken[k] = list.select(values[k]);
    lastslice = values;
    return spoken;
}

}  // namespace nuvo
