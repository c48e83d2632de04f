#pragma once

#include "review/sessiontimeline.h"

#include <QByteArray>

namespace nuvo {

// The ticks of `timeline` from `fromMs` to `toMs` as one CSV table, as the session export
// writes its tables (UTF-8 with a byte-order mark, units in the header line, RFC 4180
// quoting, CR LF, ISO 8601 times with the session's UTC offset): each tick's readings with
// the word it gave, the question it answered and its alarms and markers.
QByteArray spanCsv(const SessionTimeline& timeline, qint64 fromMs, qint64 toMs);

}  // namespace nuvo
