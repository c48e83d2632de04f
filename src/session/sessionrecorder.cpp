#include "session/sessionrecorder.h"

#include "session/rawreports.h"

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
    closeReports();
    m_tickNo = ++m_lastTick;
    return m_tickNo;
}

void SessionRecorder::endTick() {
    closeReports();
    m_tickNo = 0;
}

void SessionRecorder::closeReports() {
    if (m_reports.count == 0) return;
    m_rows.emplace_back(std::move(m_reports));
    m_reports = {};
}

void SessionRecorder::exchange(Command command, const std::optional<Report>& answer,
                               qint64 timeMs) {
    if (!recording()) return;
    ++m_lastReport;
    // A group's times are kept as two-byte offsets from its first report.
    if (m_reports.count > 0 && timeMs - m_reports.timeMs > 0xFFFF) closeReports();
    if (m_reports.count == 0) {
        m_reports.firstSeq = m_lastReport;
        m_reports.tickNo = m_tickNo;
        m_reports.timeMs = timeMs;
        m_reports.packed.reserve(kPackedReportSize * kReportsReserved);
    }
    appendPackedReport(m_reports.packed, m_reports.timeMs, {command, timeMs, answer});
    ++m_reports.count;
    if (!answer)
        m_rows.emplace_back(GapRow{timeMs, QStringLiteral("no answer"),
                                   QStringLiteral("command %1").arg(QChar(char(command)))});
}

int SessionRecorder::list(const QString& name, const QStringList& entries) {
    if (!recording()) return 0;
    const QString digest = listDigest(entries);
    if (const auto known = m_listNumbers.constFind(digest); known != m_listNumbers.constEnd())
        return *known;
    const int listNo = int(m_listNumbers.size()) + 1;
    m_listNumbers.insert(digest, listNo);
    m_rows.emplace_back(ListRow{listNo, digest, name, entries});
    return listNo;
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
    if (!recording()) return;
    if (m_tickNo == 0) closeReports();
    if (m_rows.empty()) return;
    m_sink->add(std::move(m_rows));
    m_rows.clear();
}

}  // namespace nuvo
