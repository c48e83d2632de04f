#pragma once

#include <QString>
#include <QTextStream>

namespace nuvo {

class SessionDatabase;

// One line per session: number, start and end with their UTC offset, unit, counts.
void listSessions(const SessionDatabase& db, QTextStream& out);

// Writes session `id` into `dir` (created when missing): one CSV file per table (UTF-8 with
// a byte-order mark, RFC 4180 quoting, CR LF line ends, units in the header line, times in
// ISO 8601 with the session's UTC offset) and the whole session as one JSON document.
// Returns the names of the files written, or none with *error set.
QStringList exportSession(const SessionDatabase& db, qint64 id, const QString& dir, QString* error);

// One field of a CSV line, quoted as RFC 4180 asks where it holds a comma, a quote or a line end.
QString csvField(QString text);

// A time in ISO 8601 with milliseconds and the offset spelt out: 2026-12-07T21:04:12.345+01:00.
QString isoTimeWithOffset(qint64 ms, int offsetSeconds);

}  // namespace nuvo
