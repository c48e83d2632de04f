#pragma once

#include <QString>

namespace nuvo {

// How the record keeps a blind question's source sealed: the control table holds the
// choice and its seed, and every reader shows "sealed" in their place until the session
// is unblinded.

// SQL: true while the control table row aliased `alias` is a blind question that has not
// been unblinded.
QString sealedControlCondition(const QString& alias);

// SQL: `column` of the control table row aliased `alias`, or 'sealed' while it is sealed.
QString sealedControlColumn(const QString& alias, const QString& column);

// SQL: where a word of the word table aliased `word` came from, with its question's
// control row (if any) joined as `control`: 1 the random source, 0 the unit, 'sealed'.
QString wordSourceColumn(const QString& word, const QString& control);

// Opens the sealed choices of session `id`'s blind questions, with the time, so that
// every reader shows them from now on. Returns how many were opened, or -1 with *error
// set (no record, no such session, a record that cannot be written).
int unblindSession(const QString& dataDir, qint64 id, QString* error);

}  // namespace nuvo
