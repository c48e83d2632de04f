#pragma once

#include "session/sqlitesessionstore.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace nuvo::test {

// A session as the engine hands it to the store.
struct RecordedSession {
    SessionStart start;
    std::vector<SessionRow> rows;
    std::optional<SessionEnd> end;  // none: left open, as by a crash or a session going on
};

inline SessionStart simulatedStart(qint64 startMs, int utcOffsetSeconds, const QString& dataDir) {
    return {startMs, utcOffsetSeconds, QStringLiteral("1.0.0"), {QStringLiteral("simulated"), {}, {}, {}, 3},
            {}, dataDir};
}

// Writes the sessions, one after the other, into the record of `dataDir` through the
// program's own store.
inline void writeRecord(const QString& dataDir, const std::vector<RecordedSession>& sessions) {
    SqliteSessionStore store(dataDir, [](const QString& text) { ADD_FAILURE() << text.toStdString(); });
    for (const RecordedSession& s : sessions) {
        store.begin(s.start);
        store.add(std::vector<SessionRow>(s.rows));
        if (s.end) store.end(*s.end);
    }
}

inline TickRow tickRow(qint64 no, qint64 ms, double chA, double chB, int fA, int fB) {
    TickRow t;
    t.tickNo = no;
    t.timeMs = ms;
    t.settings = {QStringLiteral("voltage"), 0, 5, false};
    t.unitAnswered = t.completed = true;
    t.chA = chA;
    t.chB = chB;
    t.fA = fA;
    t.fB = fB;
    t.modeValue = int(chA + chB);
    t.level = int(chA + chB);
    t.temperature = 72;
    return t;
}

}  // namespace nuvo::test
