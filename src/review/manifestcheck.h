#pragma once

#include "session/sessionrows.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace nuvo {

// Whether the files a session wrote are as its checksum file SESSION_<stamp>.sha256 says.
struct ManifestCheck {
    enum class Outcome { Intact, Changed, NoChecksumFile };
    Outcome outcome = Outcome::NoChecksumFile;
    QString checksumFile;  // its name in the data folder, when found
    QStringList changed;   // files whose bytes differ, or lines of the checksum file that do
    QStringList missing;   // files that are gone

    // "intact", "changed: a.log", "missing files: b.avi", "no checksum file", ...
    QString text() const;
};

// Checks the files of the session that started at `startMs` (its local time `utcOffsetSeconds`
// ahead of UTC) in `dataDir` against its checksum file, with `stored`, the record's own
// digests: a log that later sessions appended to is checked over the bytes it held when
// this session ended. Reads every listed file whole, so it takes as long as the files are
// big.
ManifestCheck checkManifest(const QString& dataDir, qint64 startMs, int utcOffsetSeconds,
                            const std::vector<FileRow>& stored);

}  // namespace nuvo
