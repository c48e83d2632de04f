#include "capture/subtitletrack.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace nuvo {

namespace {

// A cue's text may not hold an empty line (it would end the cue) nor start with blanks.
QString cueText(const QString& text) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]+"));
    QStringList lines;
    for (const QString& line : text.split(lineBreaks))
        if (!line.trimmed().isEmpty()) lines << line.trimmed();
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

QString subtitlePath(const QString& videoPath) {
    const QFileInfo video(videoPath);
    const QString suffix = video.suffix();
    return suffix.isEmpty() ? videoPath + QStringLiteral(".srt")
                            : videoPath.left(videoPath.size() - suffix.size()) + QStringLiteral("srt");
}

QString srtTime(qint64 ms) {
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

SubtitleTrack::SubtitleTrack(const QString& path) : m_file(path) {
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        m_error = m_file.errorString();
}

SubtitleTrack::~SubtitleTrack() { close(m_word ? m_word->startMs + kHoldMs : m_lastStart); }

qint64 SubtitleTrack::startOf(qint64 atMs) {
    m_lastStart = std::max(m_lastStart, atMs);
    return m_lastStart;
}

void SubtitleTrack::word(qint64 atMs, const QString& text) {
    const QString shown = cueText(text);
    if (!isOpen() || shown.isEmpty()) return;
    const qint64 start = startOf(atMs);
    finishWord(start);
    m_word = Cue{start, start + kHoldMs, shown};
}

void SubtitleTrack::line(qint64 atMs, const QString& text) {
    const QString shown = cueText(text);
    if (!isOpen() || shown.isEmpty()) return;
    advance(atMs);
    const qint64 start = startOf(atMs);
    const Cue cue{start, start + kHoldMs, shown};
    if (m_word)
        m_waiting.push_back(cue);
    else
        write(cue);
}

void SubtitleTrack::advance(qint64 nowMs) {
    if (m_word && nowMs >= m_word->endMs) finishWord(m_word->endMs);
}

void SubtitleTrack::finishWord(qint64 endMs) {
    if (!m_word) return;
    Cue cue = *m_word;
    m_word.reset();
    cue.endMs = std::clamp(endMs, cue.startMs + 1, cue.startMs + kHoldMs);
    write(cue);
    for (const Cue& waiting : m_waiting) write(waiting);
    m_waiting.clear();
}

void SubtitleTrack::close(qint64 endMs) {
    if (!isOpen()) return;
    finishWord(endMs);
    m_file.close();
}

void SubtitleTrack::write(const Cue& cue) {
    const QByteArray bytes = QStringLiteral("%1\r\n%2 --> %3\r\n%4\r\n\r\n")
                                 .arg(m_written + 1)
                                 .arg(srtTime(cue.startMs), srtTime(cue.endMs), cue.text)
                                 .toUtf8();
    if (m_file.write(bytes) == bytes.size())
        ++m_written;
    else if (m_error.isEmpty())
        m_error = m_file.errorString();
}

}  // namespace nuvo
