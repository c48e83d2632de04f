#include "review/manifestcheck.h"

#include "session/manifest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace nuvo {

namespace {

// The checksum file is named after the moment the logs were opened, which is at most a
// few seconds before the session's start; a second one of the same second gets "_2" ...
// The one listing the files the record names is this session's.
QString findChecksumFile(const QDir& dir, qint64 startMs, int utcOffsetSeconds,
                         const std::vector<FileRow>& stored) {
    constexpr int kSecondsBeforeStart = 5;
    QStringList candidates;
    for (int back = 0; back <= kSecondsBeforeStart; ++back) {
        const QString stamp =
            QDateTime::fromMSecsSinceEpoch(startMs - back * 1000, Qt::OffsetFromUTC, utcOffsetSeconds)
                .toString(QStringLiteral("yyyyMMdd_HHmmss"));
        const QString base = QStringLiteral("SESSION_") + stamp;
        candidates << dir.entryList({base + QStringLiteral(".sha256"), base + QStringLiteral("_*.sha256")},
                                    QDir::Files, QDir::Name);
    }
    if (candidates.isEmpty()) return {};
    QStringList storedNames;
    for (const FileRow& f : stored) storedNames << f.name;
    storedNames.sort();
    for (const QString& name : candidates) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        QStringList listed;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
            if (!line.startsWith(u'#') && line.size() > 66) listed << line.mid(66);
        listed.sort();
        if (listed == storedNames) return name;
    }
    return candidates.first();
}

}  // namespace

QString ManifestCheck::text() const {
    if (outcome == Outcome::NoChecksumFile) return QStringLiteral("no checksum file");
    if (outcome == Outcome::Intact) return QStringLiteral("intact");
    QStringList parts;
    if (!changed.isEmpty()) parts << QStringLiteral("changed: ") + changed.join(QStringLiteral(", "));
    if (!missing.isEmpty()) parts << QStringLiteral("missing files: ") + missing.join(QStringLiteral(", "));
    return parts.join(QStringLiteral("; "));
}

ManifestCheck checkManifest(const QString& dataDir, qint64 startMs, int utcOffsetSeconds,
                            const std::vector<FileRow>& stored) {
    ManifestCheck check;
    const QDir dir(dataDir);
    check.checksumFile = findChecksumFile(dir, startMs, utcOffsetSeconds, stored);
    QFile file(dir.filePath(check.checksumFile));
    if (check.checksumFile.isEmpty() || !file.open(QIODevice::ReadOnly)) return check;

    std::map<QString, const FileRow*> byName;
    for (const FileRow& f : stored) byName[f.name] = &f;
    // "<digest>  <name>", or "<digest> *<name>" as sha256sum writes binary files.
    static const QRegularExpression line(QStringLiteral("^([0-9a-f]{64}) [ *](.+)$"));
    QStringList listed;
    for (const QString& text : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (text.isEmpty() || text.startsWith(u'#')) continue;
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch()) {
            check.changed << QStringLiteral("%1 (line \"%2\")").arg(check.checksumFile, text);
            continue;
        }
        const QString digest = m.captured(1), name = m.captured(2);
        listed << name;
        const QFileInfo info(dir.filePath(name));
        if (!info.exists()) {
            check.missing << name;
            continue;
        }
        const auto found = byName.find(name);
        const FileRow* row = found == byName.end() ? nullptr : found->second;
        // A log grows with every later session: its bytes up to this session's end count.
        const bool grown = row && row->appended && info.size() > row->sizeEnd;
        const QString now = fileDigest(info.filePath(), grown ? row->sizeEnd : -1);
        if (now != digest || (row && row->sha256End != digest)) check.changed << name;
    }
    // A line taken out of the checksum file hides a file from `sha256sum -c`, not from here.
    for (const FileRow& f : stored)
        if (!listed.contains(f.name) && !check.changed.contains(f.name)) check.changed << f.name;
    check.outcome = check.changed.isEmpty() && check.missing.isEmpty() ? ManifestCheck::Outcome::Intact
                                                                       : ManifestCheck::Outcome::Changed;
    return check;
}

}  // namespace nuvo
