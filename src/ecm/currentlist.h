#pragma once

#include <QStringList>

namespace nuvo {

class ProgramRandom;

// The vocabulary in use: the entries the word stage and the phoneme routine pick from by
// position, and the entry picked last.
class CurrentList {
public:
    const QStringList& entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }
    // Position of the entry picked last, or -1.
    int selected() const { return m_selected; }

    // Picks the entry at `position`. A position outside the list is not an error: the
    // previous pick stays and its entry is returned (the empty text if there is none).
    QString select(int position);

    // Empties the list, then appends the default word list, the PRO word list, or phoneme
    // blocks until the list holds at least 2048 entries.
    void loadDefaultWords();
    void loadProWords();
    void loadPhonemes();

    // Reorders the entries by a permutation drawn from `random`: positions are drawn
    // uniformly, and a position drawn before is drawn again.
    void shuffle(ProgramRandom& random);

    // Puts `entries` in place of the list, with nothing picked yet (a list kept in a
    // session record, when it is replayed).
    void replace(QStringList entries);

private:
    QStringList m_entries;
    int m_selected = -1;
};

}  // namespace nuvo
