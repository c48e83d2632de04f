#pragma once

#include "capture/captureelements.h"
#include "session/sessionrows.h"

#include <map>

namespace nuvo {

// Follows the files the capture elements write and gives the session record a row when
// each begins and one when it ends. A file's start is the time of its first frame or
// sample, so a file that begins with the seconds kept before it starts before it was
// asked for.
class SessionCaptures {
public:
    // Names inside this folder are kept relative to it.
    void setDataDir(const QString& dataDir) { m_dataDir = dataDir; }

    // What the element of `kind` ("video" or "audio") writes at `nowMs`: the rows of a file
    // that ended and of one that began since the last call.
    std::vector<SessionRow> follow(const QString& kind, const VideoElement::Recording& now,
                                   qint64 nowMs);
    // One picture, saved at `nowMs`.
    CaptureRow picture(const QString& path, qint64 nowMs) const;

private:
    QString name(const QString& path) const;

    QString m_dataDir;
    std::map<QString, QString> m_files;  // by kind: the name of the file being written
};

}  // namespace nuvo
