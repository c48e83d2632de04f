#pragma once

#include "session/rawreports.h"
#include "session/sessionrows.h"

#include <QHash>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace nuvo {

// What a replay found for a question or for the whole session.
struct Verdict {
    enum class Outcome { Reproduced, Diverged, NotVerifiable };
    Outcome outcome = Outcome::Reproduced;
    QString detail;  // the first differing row, or why it cannot be verified
};

struct QuestionSpan {
    qint64 questionNo = 0;
    qint64 startMs = 0;
    std::optional<qint64> endMs;
};

struct ReplayReport {
    Verdict session;
    std::vector<std::pair<qint64, Verdict>> questions;  // by question number
    qint64 ticks = 0, words = 0;
};

// Recomputes a recorded session from what the unit really said: every tick runs again
// through the program's own acquisition code (get_data, the slow stages, the scope) on
// the stored raw reports, with the tick's stored settings, and every word through the
// word stage on the stored list, its value drawn again from the seed in a control run.
// Each result is compared with the stored row.
class SessionReplay {
public:
    // `settingsText`: the settings as read at the session's start; `lists` by number;
    // `controls`: the questions answered by, or blindly offered to, the random source.
    SessionReplay(const QString& settingsText, QHash<int, QStringList> lists,
                  std::vector<WordRow> storedWords, std::vector<QuestionSpan> questions,
                  const std::vector<ControlRow>& controls);
    ~SessionReplay();

    // The next stored tick with the reports its requests got, in order.
    void tick(const TickRow& stored, const std::vector<RawReport>& reports);
    ReplayReport finish();

private:
    class Unit;
    void diverge(qint64 timeMs, const QString& detail);
    void unverifiable(const QString& why);
    QString compareTick(const TickRow& stored, const TickRow& replayed) const;

    struct State;
    std::unique_ptr<State> m;
};

}  // namespace nuvo
