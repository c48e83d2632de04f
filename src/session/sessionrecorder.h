#pragma once

#include "session/sessionrows.h"

#include <QHash>

namespace nuvo {

// The engine's side of the session record: numbers the ticks, words, questions and
// reports, collects the rows of each handler and hands them to the sink in one go.
// Without a sink nothing is kept.
class SessionRecorder {
public:
    void setSink(SessionSink* sink) { m_sink = sink; }
    bool recording() const { return m_sink && m_started; }

    void begin(const SessionStart& start);
    // Hands the rows so far to the sink, then ends the session.
    void end(const SessionEnd& end);

    // Numbers the tick that starts now; reports until the next call belong to it.
    qint64 beginTick();
    void endTick();
    qint64 currentTick() const { return m_tickNo; }
    qint64 lastTick() const { return m_lastTick; }  // the one going on or the one before
    qint64 currentQuestion() const { return m_questionNo; }

    // One request to the unit and its answer (none: the unit did not answer).
    void exchange(Command command, const std::optional<Report>& answer, qint64 timeMs);

    // The list's number in the session; each list (by its digest) is recorded once.
    // Called when the list changes, not per word: hashing a list costs more than a tick.
    int list(const QString& name, const QStringList& entries);

    void add(SessionRow row);
    qint64 addWord(WordRow word);  // returns the word's number
    qint64 beginQuestion(QuestionRow question);
    // Closes the open question, if any.
    void endQuestion(qint64 endMs, bool noResponse);

    // Hands the collected rows to the sink; reports outside a tick close their group.
    void flush();

private:
    void closeReports();

    SessionSink* m_sink = nullptr;
    bool m_started = false;
    qint64 m_tickNo = 0, m_lastTick = 0, m_lastWord = 0, m_lastQuestion = 0, m_lastReport = 0;
    qint64 m_questionNo = 0;  // the question being answered; 0 none
    QHash<QString, int> m_listNumbers;  // by digest
    std::vector<SessionRow> m_rows;
    RawReportsRow m_reports;  // of the tick or routine call going on
    static constexpr int kReportsReserved = 40;  // room for a tick's requests (33 at most)
};

// SHA-256 of the entries, each followed by a line feed, in UTF-8.
QString listDigest(const QStringList& entries);

}  // namespace nuvo
