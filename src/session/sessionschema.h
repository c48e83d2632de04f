#pragma once

#include <QStringList>

#include <vector>

namespace nuvo {

// The layout of sessions.sqlite. Version n is reached from version n - 1 by the
// statements of migration n; a new store runs every migration from 1.
constexpr int kSessionSchemaVersion = 3;

// The statements of migration `version` (1..kSessionSchemaVersion).
QStringList sessionMigration(int version);

}  // namespace nuvo
