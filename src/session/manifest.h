#pragma once

#include "session/sessionrows.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace nuvo {

// SHA-256 of the first `size` bytes of a file (all of it when `size` is negative), in
// lower-case hex; empty when the file cannot be read. A missing file has the digest of
// no bytes.
QString fileDigest(const QString& path, qint64 size = -1);

// The digests of the logs before the session appends to them, then at its end of every
// file it wrote or appended to, written as a checksum file that `sha256sum -c` reads.
class SessionManifest {
public:
    // Notes the logs' bytes as they are before the session appends (names in `dataDir`).
    void start(const QString& dataDir, const QStringList& logNames, const QDateTime& startTime);

    // The logs, and every other file in the data folder changed since the start (pictures,
    // captures, their subtitle tracks), with their digests now.
    std::vector<FileRow> finish() const;

    // Writes SESSION_<stamp>.sha256 into the data folder. Returns its name, or an empty
    // text with *error set.
    QString write(const std::vector<FileRow>& files, QString* error) const;

    // The text of the checksum file: comment lines first (each appended log's digest at
    // the start), then "<digest>  <name>" for every file.
    static QString text(const std::vector<FileRow>& files);

private:
    QString m_dataDir;
    QDateTime m_startTime;
    std::vector<FileRow> m_logs;  // with their start digests
};

}  // namespace nuvo
