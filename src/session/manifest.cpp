#include "session/manifest.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace nuvo {

namespace {

const QString kStoreName = QStringLiteral("sessions.sqlite");
const QString kManifestPrefix = QStringLiteral("SESSION_");
const QString kManifestSuffix = QStringLiteral(".sha256");

bool isRecordFile(const QString& name) {
    return name.startsWith(kStoreName) ||
           (name.startsWith(kManifestPrefix) && name.endsWith(kManifestSuffix));
}

}  // namespace

QString fileDigest(const QString& path, qint64 size) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) return {};
        qint64 left = size < 0 ? file.size() : size;
        while (left > 0) {
            const QByteArray chunk = file.read(std::min<qint64>(left, 1 << 20));
            if (chunk.isEmpty()) return {};
            hash.addData(chunk);
            left -= chunk.size();
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

void SessionManifest::start(const QString& dataDir, const QStringList& logNames,
                            const QDateTime& startTime) {
    m_dataDir = dataDir;
    m_startTime = startTime;
    m_logs.clear();
    for (const QString& name : logNames) {
        FileRow log;
        log.name = name;
        log.appended = true;
        log.sizeStart = QFileInfo(QDir(dataDir).filePath(name)).size();
        log.sha256Start = fileDigest(QDir(dataDir).filePath(name), log.sizeStart);
        m_logs.push_back(log);
    }
}

std::vector<FileRow> SessionManifest::finish() const {
    std::vector<FileRow> files;
    const QDir dir(m_dataDir);
    for (FileRow log : m_logs) {
        const QFileInfo info(dir.filePath(log.name));
        // A log the session never opened and that did not exist is not one of its files.
        if (!info.exists() || info.size() == log.sizeStart) continue;
        log.sizeEnd = info.size();
        log.sha256End = fileDigest(info.filePath());
        files.push_back(log);
    }
    const auto isLog = [this](const QString& name) {
        return std::any_of(m_logs.begin(), m_logs.end(),
                           [&](const FileRow& log) { return log.name == name; });
    };
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (isRecordFile(info.fileName()) || isLog(info.fileName())) continue;
        if (info.lastModified() < m_startTime) continue;
        FileRow file;
        file.name = info.fileName();
        file.sizeEnd = info.size();
        file.sha256End = fileDigest(info.filePath());
        files.push_back(file);
    }
    return files;
}

QString SessionManifest::text(const std::vector<FileRow>& files) {
    QString out;
    for (const FileRow& f : files)
        if (f.appended)
            out += QStringLiteral("# %1 held %2 bytes at the session's start, SHA-256 %3\n")
                       .arg(f.name)
                       .arg(f.sizeStart)
                       .arg(f.sha256Start);
    for (const FileRow& f : files) out += f.sha256End + QStringLiteral("  ") + f.name + u'\n';
    return out;
}

QString SessionManifest::write(const std::vector<FileRow>& files, QString* error) const {
    const QDir dir(m_dataDir);
    const QString stamp = m_startTime.toLocalTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString name = kManifestPrefix + stamp + kManifestSuffix;
    for (int n = 2; dir.exists(name); ++n)
        name = kManifestPrefix + stamp + QStringLiteral("_%1").arg(n) + kManifestSuffix;
    QSaveFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text(files).toUtf8()) < 0 ||
        !file.commit()) {
        *error = QStringLiteral("Cannot write the checksum file %1: %2")
                     .arg(QDir::toNativeSeparators(dir.filePath(name)), file.errorString());
        return {};
    }
    return name;
}

}  // namespace nuvo
