#pragma once

#include <QString>
#include <QTextStream>

namespace nuvo {

class SessionDatabase;

// Replays session `id` from its stored raw reports, settings and lists (SessionReplay) and
// prints, for the session and for each question, "reproduced", "diverged: <first differing
// row>" or "not verifiable: <why>". Returns 0 when everything was reproduced, 1 otherwise.
int verifySession(const SessionDatabase& db, qint64 id, QTextStream& out);

}  // namespace nuvo
