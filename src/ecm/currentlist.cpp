#include "ecm/currentlist.h"

#include "common/programrandom.h"
#include "ecm/vocabulary.h"

#include <vector>

namespace nuvo {

namespace {

// Phoneme blocks are repeated until every position a voltage reading can take has an entry.
constexpr int kPhonemeListMinimum = 2048;

}  // namespace

QString CurrentList::select(int position) {
    if (position >= 0 && position < size()) m_selected = position;
    return m_selected >= 0 ? m_entries.at(m_selected) : QString();
}

void CurrentList::loadDefaultWords() { replace(defaultWordList()); }

void CurrentList::loadProWords() { replace(proWordList()); }

void CurrentList::loadPhonemes() {
    const QStringList block = phonemeBlock();
    QStringList entries;
    while (entries.size() < kPhonemeListMinimum) entries += block;
    replace(entries);
}

void CurrentList::shuffle(ProgramRandom& random) {
    const int n = size();
    QStringList shuffled;
    shuffled.reserve(n);
    // A bitmap answers "drawn before?" at once, where a scan of the drawn positions
    // would make the whole shuffle quadratic.
    std::vector<bool> drawn(std::size_t(n), false);
    while (shuffled.size() < n) {
        const int position = random.position(n);
        if (drawn[std::size_t(position)]) continue;
        drawn[std::size_t(position)] = true;
        shuffled.append(m_entries.at(position));
    }
    replace(shuffled);
}

void CurrentList::replace(QStringList entries) {
    m_entries = std::move(entries);
    m_selected = -1;
}

}  // namespace nuvo
