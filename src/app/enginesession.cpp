// The engine's session record: the session's start and end, the rows of each tick and
// word, and the checksum file of the files the session wrote.

#include "app/engine.h"

#include "alarms/alarms.h"
#include "capture/captureelements.h"
#include "common/programversion.h"
#include "device/link.h"
#include "device/transport.h"
#include "ecm/wordstage.h"
#include "measure/tick.h"
#include "session/tickrow.h"

#include <QDateTime>
#include <QFile>

namespace nuvo {

void Engine::beginSession() {
    const QDateTime now = QDateTime::currentDateTime();
    SessionStart start;
    start.startMs = now.toMSecsSinceEpoch();
    start.utcOffsetSeconds = now.offsetFromUtc();
    start.programVersion = QStringLiteral(NUVO_VERSION);
    start.unit = m_transport.identity();
    QFile settings(m_paths.settingsFile);
    if (settings.open(QIODevice::ReadOnly)) start.settingsText = QString::fromUtf8(settings.readAll());
    start.dataDir = m_state.datadir;
    m_session.begin(start);
    m_listNo = m_session.list(m_listName, m_list.entries());
}

void Engine::endSession() {
    if (!m_session.recording()) return;
    QString error;
    const std::vector<FileRow> files = m_manifest.finish();
    if (m_manifest.write(files, &error).isEmpty()) emit statusMessage(error);
    for (const FileRow& file : files) m_session.add(file);
    for (const qint64 wordNo : std::as_const(m_wordBySpeech))
        m_session.add(VoiceRow{wordNo, {}, {}, QStringLiteral("still waiting to sound at the end")});
    m_wordBySpeech.clear();
    const QDateTime now = QDateTime::currentDateTime();
    m_session.end({now.toMSecsSinceEpoch(), now.offsetFromUtc()});
}

void Engine::recordTickRow(const TickOutcome& outcome) {
    if (!m_session.recording()) return;
    TickRow row = makeTickRow(outcome.data, m_measure, m_elements);
    row.tickNo = m_session.currentTick();
    row.timeMs = QDateTime::currentMSecsSinceEpoch();
    m_session.add(row);
}

void Engine::recordWord(int v, const WordOutput& out, quint64 speech) {
    if (!m_session.recording()) return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    WordRow word;
    word.timeMs = now;
    word.mode = ecmModeName(m_elements);
    word.modeValue = v;
    word.inList = v >= 0 && v < m_list.size();
    word.position = m_list.selected();
    word.entry = word.position >= 0 ? m_list.entries()[word.position] : QString();
    word.listNo = m_listNo;
    if (m_blindQuestion)
        word.control.reset();  // sealed
    else
        word.control = m_controlSource.has_value();
    const qint64 wordNo = m_session.addWord(word);
    VoiceRow voice;
    voice.wordNo = wordNo;
    if (!m_elements.checked(QStringLiteral("speechON")))
        voice.notSpoken = QStringLiteral("Speech Off");
    else if (out.spoken.isEmpty())
        voice.notSpoken = QStringLiteral("gathered into a phoneme group");
    else if (!m_voices[0])
        voice.notSpoken = QStringLiteral("no voice");
    if (speech != 0) {
        m_wordBySpeech.insert(speech, wordNo);  // the voice tells when it sounded
        return;
    }
    m_session.add(voice);
}

void Engine::recordSpeech(const SpeechReport& report) {
    const auto word = m_wordBySpeech.constFind(report.id);
    if (word == m_wordBySpeech.constEnd()) return;
    VoiceRow voice;
    voice.wordNo = *word;
    m_wordBySpeech.erase(word);
    switch (report.outcome) {
        case SpeechReport::Outcome::Spoken:
            voice.startedMs = report.startedMs;
            voice.finishedMs = report.finishedMs;
            break;
        case SpeechReport::Outcome::Dropped:
            voice.notSpoken = QStringLiteral("dropped: the voice fell behind");
            break;
        case SpeechReport::Outcome::Failed:
            voice.notSpoken = QStringLiteral("failed: ") + report.problem;
            break;
    }
    m_session.add(voice);
    publish();
}

void Engine::recordGap(const QString& kind, const QString& detail) {
    m_session.add(GapRow{QDateTime::currentMSecsSinceEpoch(), kind, detail});
}

void Engine::followCaptures() {
    if (!m_session.recording()) return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const auto follow = [&](const QString& kind, const VideoElement::Recording& recording) {
        for (SessionRow& row : m_captureFiles.follow(kind, recording, now)) m_session.add(std::move(row));
    };
    if (m_video) follow(QStringLiteral("video"), m_video->recording());
    if (m_audio) follow(QStringLiteral("audio"), m_audio->recording());
}

}  // namespace nuvo
