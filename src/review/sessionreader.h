#pragma once

#include "review/sessiontimeline.h"

#include <optional>
#include <vector>

namespace nuvo {

class SessionDatabase;

// One line of the sessions list.
struct SessionSummary {
    qint64 id = 0;
    qint64 startMs = 0;
    std::optional<qint64> endMs;
    int utcOffsetSeconds = 0;
    QString unit;  // "simulated, seed 3", "real, serial 0042", ...
    qint64 questions = 0, words = 0, alarms = 0, captures = 0;
    qint64 controlRuns = 0;  // known to be answered from the program's random source
    qint64 sealed = 0;       // blind questions whose source is sealed
    std::vector<FileRow> files;  // with the digests the checksum file should hold
};

// Every session of the record, oldest first.
std::vector<SessionSummary> readSessionSummaries(const SessionDatabase& db);

// Session `id` with all its rows; none, with *error set, when it cannot be read.
std::optional<SessionTimeline> readSessionTimeline(const SessionDatabase& db, qint64 id,
                                                   QString* error);

}  // namespace nuvo
