#pragma once

#include "review/sessiontimeline.h"

#include <QStringList>

#include <vector>

namespace nuvo {

// The main display's text through a session, rebuilt from its record: each question's
// echo, the words as the word stage shows them, each answer's ending, and the display
// emptied when a full display became a verified picture. The "Clear Display" button and
// the phoneme groups leave no row of their own, so the text shown after them can differ.
class DisplayHistory {
public:
    explicit DisplayHistory(const SessionTimeline& timeline);

    // The text as it stood at `ms`.
    QString at(qint64 ms) const;

private:
    void append(qint64 ms, const QString& text);

    struct Change {
        qint64 timeMs;
        int segment;  // texts between two clearings
        int length;   // of that text at this time
    };
    QStringList m_segments{QString()};
    std::vector<Change> m_changes;
};

}  // namespace nuvo
