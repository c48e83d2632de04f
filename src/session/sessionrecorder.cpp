#include "session/sessionrecorder.h"

#include <QCryptographicHash>

namespace nuvo {

QString listDigest(const QStringList& entries) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& entry : entries) {
        hash.addData(entry.toUtf8());
        hash.addData(QByteArrayView("\n"));
    }
    return QString::fromLatin1(hash.result().toHex());
}

void SessionRecorder::begin(const SessionStart& start) {
    if (!m_sink) return;
    m_sink->begin(start);
    m_started = true;
}

void SessionRecorder::end(const SessionEnd& end) {
    if (!recording()) return;
    flush();
    m_sink->end(end);
    m_started = false;
}

qint64 SessionRecorder::beginTick() {
    m_tickNo = ++m_lastTick;
    return m_tickNo;
}

void SessionRecorder::exchange(Command command, const std::optional<Report>& answer,
                               qint64 timeMs) {
    if (!recording()) return;
    RawReportRow row;
    row.seq = ++m_lastReport;
    row.tickNo = m_tickNo;
    row.timeMs = timeMs;
    row.command = command;
    row.report = answer;
    m_rows.emplace_back(row);
    if (!answer)
        m_rows.emplace_back(GapRow{timeMs, QStringLiteral("no answer"),
                                   QStringLiteral("command %1").arg(QChar(char(command)))});
}

QString SessionRecorder::list(const QString& name, const QStringList& entries) {
    const QString digest = listDigest(entries);
    if (recording() && !m_recordedLists.contains(digest)) {
        m_recordedLists.insert(digest);
        m_rows.emplace_back(ListRow{digest, name, entries});
    }
    return digest;
}

void SessionRecorder::add(SessionRow row) {
    if (recording()) m_rows.push_back(std::move(row));
}

qint64 SessionRecorder::addWord(WordRow word) {
    word.wordNo = ++m_lastWord;
    word.tickNo = m_tickNo;
    word.questionNo = m_questionNo;
    add(word);
    return word.wordNo;
}

qint64 SessionRecorder::beginQuestion(QuestionRow question) {
    question.questionNo = ++m_lastQuestion;
    m_questionNo = question.questionNo;
    add(question);
    return m_questionNo;
}

void SessionRecorder::endQuestion(qint64 endMs, bool noResponse) {
    if (m_questionNo == 0) return;
    add(QuestionEndRow{m_questionNo, endMs, noResponse});
    m_questionNo = 0;
}

void SessionRecorder::flush() {
    if (!recording() || m_rows.empty()) return;
    m_sink->add(std::move(m_rows));
    m_rows.clear();
}

}  // namespace nuvo
