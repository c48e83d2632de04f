#include "session/sessioncaptures.h"

#include <QDir>

namespace nuvo {

QString SessionCaptures::name(const QString& path) const {
    const QString relative = QDir(m_dataDir).relativeFilePath(path);
    return m_dataDir.isEmpty() || relative.startsWith(QLatin1String("..")) ? path : relative;
}

std::vector<SessionRow> SessionCaptures::follow(const QString& kind,
                                                const VideoElement::Recording& now, qint64 nowMs) {
    const QString file = now.path.isEmpty() ? QString() : name(now.path);
    QString& known = m_files[kind];
    if (file == known) return {};
    std::vector<SessionRow> rows;
    if (!known.isEmpty()) rows.emplace_back(CaptureStopRow{known, nowMs});
    if (!file.isEmpty()) rows.emplace_back(CaptureRow{kind, file, nowMs - now.positionMs, std::nullopt});
    known = file;
    return rows;
}

CaptureRow SessionCaptures::picture(const QString& path, qint64 nowMs) const {
    return {QStringLiteral("picture"), name(path), nowMs, nowMs};
}

}  // namespace nuvo
