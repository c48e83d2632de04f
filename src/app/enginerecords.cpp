// The engine's records: the three logs, the alarms, the screen texts and their upkeep,
// and the verified pictures of the main display.

#include "app/engine.h"

#include "alarms/alarms.h"
#include "app/menus.h"
#include "capture/captureelements.h"
#include "capture/capturesubtitles.h"
#include "capture/capturetriggers.h"
#include "common/datetext.h"
#include "common/workstring.h"
#include "measure/getdata.h"
#include "records/logfile.h"
#include "records/logformat.h"
#include "records/picturerenderer.h"

#include <QDateTime>
#include <QFileInfo>

namespace nuvo {

namespace {

const QString kDataLogItem = QStringLiteral("logfileon");
const QString kRfLogItem = QStringLiteral("logfilerf");
const QString kAlarmLogItem = QStringLiteral("logalarm");
const QString kAlarmScreen = QStringLiteral("alarmdisplay");
const QString kScreenText = QStringLiteral("veiwlog");
const QString kMainDisplay = QStringLiteral("main_display");
const QString kLineEnd = QStringLiteral("\r\n");

// Texts are emptied, not trimmed, once they grow past these lengths.
constexpr int kScreenTextLimit = 31000;
constexpr int kAlarmScreenLimit = 32000;

}  // namespace

// The date text changes once a second; ticks within that second share it.
QString Engine::dateNow() {
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != m_dateSecond) {
        m_dateSecond = second;
        m_dateText = generalDateText(QDateTime::fromSecsSinceEpoch(second));
    }
    return m_dateText;
}

void Engine::addRecordHandlers() {
    const struct {
        const QString& item;
        std::unique_ptr<LogFile>& log;
        QString (*header)();
    } logs[] = {{kDataLogItem, m_dataLog, dataLogHeader},
                {kRfLogItem, m_rfLog, rfLogHeader},
                {kAlarmLogItem, m_alarmLog, alarmLogHeader}};
    for (const auto& l : logs)
        m_menuHandlers.insert(l.item, [this, item = l.item, &log = l.log, header = l.header] {
            switchLog(item, *log, header());
        });
    m_menuHandlers.insert(QStringLiteral("logtext"), [this] {
        const QString item = QStringLiteral("logtext");
        m_elements.toggle(item);
        m_elements.setVisible(kScreenText, m_elements.checked(item));
    });
    m_menuHandlers.insert(QStringLiteral("veiwall"), [this] { emit folderOpenRequested(m_state.datadir); });
    m_menuHandlers.insert(QStringLiteral("alarm13"), [this] {
        const QString item = QStringLiteral("alarm13");
        if (m_elements.checked(item)) {
            m_elements.setVisible(kAlarmScreen, false);
            m_elements.setChecked(item, false);
            return;
        }
        m_elements.setVisible(kAlarmScreen, true);
        m_elements.setChecked(item, true);
        m_elements.setText(kAlarmScreen,
                           alarmSummary(m_state.alarmValues) + m_elements.text(kAlarmScreen));
    });
}

void Engine::openLogs() {
    const QStringList names{QStringLiteral("KV_data_file.csv"), QStringLiteral("KV_rf_threshold.csv"),
                            QStringLiteral("KV_Alarm_Log.TXT")};
    m_dataLog = std::make_unique<LogFile>(m_state.datadir + names[0]);
    m_rfLog = std::make_unique<LogFile>(m_state.datadir + names[1]);
    m_alarmLog = std::make_unique<LogFile>(m_state.datadir + names[2]);
    // The logs' bytes before this session appends to them, for the checksum file.
    m_manifest.start(m_state.datadir, names, QDateTime::currentDateTime());
}

void Engine::switchLog(const QString& item, LogFile& log, const QString& header) {
    if (m_elements.checked(item)) {
        m_elements.setChecked(item, false);
        log.close();
        return;
    }
    QString error;
    if (!log.open(header, &error)) {
        recordGap(QStringLiteral("log not writable"), error);
        emit statusMessage(error);  // the log stays off
        return;
    }
    m_elements.setChecked(item, true);
}

void Engine::writeLog(const QString& item, LogFile& log, const QString& text) {
    if (!m_elements.checked(item)) return;
    QString error;
    if (log.write(text, &error)) return;
    // A log that cannot take its lines is switched off, with one message.
    log.close();
    m_elements.setChecked(item, false);
    recordGap(QStringLiteral("log not writable"), error);
    emit statusMessage(error);
}

void Engine::closeLogs() {
    for (LogFile* log : {m_dataLog.get(), m_rfLog.get(), m_alarmLog.get()})
        if (log) log->close();
}

void Engine::recordTick(const GetDataResult& data, const QString* word) {
    const bool dataLine = word && m_elements.checked(kDataLogItem);
    if (!dataLine && !m_elements.checked(kRfLogItem)) return;
    TickLogFields fields;
    fields.date = dateNow();
    fields.chA = data.chA;
    fields.chB = data.chB;
    fields.tholddsp = m_elements.text(QStringLiteral("tholddsp"));
    fields.trenddsp = m_elements.text(QStringLiteral("TRENDDSP"));
    fields.chaDsp = m_elements.text(QStringLiteral("CHA_DSP"));
    fields.chbDsp = m_elements.text(QStringLiteral("CHB_DSP"));
    fields.freqA = m_elements.text(QStringLiteral("FREQA"));
    fields.freqB = m_elements.text(QStringLiteral("FREQB"));
    fields.bandsum = data.bandsum;
    fields.word = word ? *word : QString();
    fields.tempstr = m_measure.tempstr;
    fields.emftexta = m_measure.emftexta;
    fields.emftextb = m_measure.emftextb;
    fields.nemftext = m_measure.nemftext;
    const QString line = tickLogLine(fields);
    if (dataLine) writeLog(kDataLogItem, *m_dataLog, line);
    writeLog(kRfLogItem, *m_rfLog, line);
}

void Engine::checkAlarms(const GetDataResult& data) {
    std::array<bool, kAlarmCount> armed{};
    for (int i = 0; i < kAlarmCount; ++i)
        armed[i] = m_elements.checked(QString::fromLatin1(alarmDefinitions()[i].item));
    AlarmMeasurements m;
    m.chA = data.chA;
    m.chB = data.chB;
    m.favg = data.favg;
    m.level = m_measure.level;
    m.emf = leadingNumber(m_elements.text(QStringLiteral("EMFdisplay1")));
    m.nemfvalue = m_measure.nemfvalue;
    m.temperature = m_measure.temperature;
    std::vector<int> indexes;
    const std::vector<QString> tripped = trippedAlarms(armed, m_state.alarmValues, m, &indexes);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (std::size_t i = 0; i < tripped.size(); ++i) {
        const QString& body = tripped[i];
        const int alarm = indexes[i];
        const QString measured = body.section(QStringLiteral(" Value = "), -1);
        m_session.add(AlarmRow{m_session.currentTick(), now, alarm + 1,
                               m_state.alarmValues[std::size_t(alarm)], measured});
        const QString line = dateNow() + body;
        m_elements.setText(kAlarmScreen, m_elements.text(kAlarmScreen) + line + kLineEnd);
        writeLog(kAlarmLogItem, *m_alarmLog, alarmLogEntry(line));
        if (m_subtitles) m_subtitles->line(line);
    }
    if (m_captures) {
        m_captures->alarmCaptures(!tripped.empty());
        followCaptures();  // an alarm capture that began or ended with this tick
    }
}

void Engine::screenUpkeep() {
    if (m_elements.text(kAlarmScreen).size() > kAlarmScreenLimit)
        m_elements.setText(kAlarmScreen, QString());
    if (m_elements.text(kScreenText).size() > kScreenTextLimit)
        m_elements.setText(kScreenText, QString());
    if (displayLineCount(m_elements.text(kMainDisplay)) >= kDisplayLinesPerPicture) {
        captureMainDisplay();
        m_elements.setText(kMainDisplay, QString());
    }
}

void Engine::captureMainDisplay() {
    const QString stamp = swapstring(dateNow());
    ++m_state.shotcount;
    const QString path = verifiedPictureName(m_state.datadir, stamp, m_state.shotcount);
    QString error;
    const bool saved = m_renderer && m_renderer->save(m_elements.text(kMainDisplay), path,
                                                      m_runMarks.seal(), &error);
    if (m_renderer && !saved) emit statusMessage(error);
    m_session.add(PictureRow{QDateTime::currentMSecsSinceEpoch(), QFileInfo(path).fileName(), saved});
    returnQuestionBox();
}

void Engine::setRunMark(const RunMarks::Mark& mark, bool on) {
    m_runMarks.set(mark, on);
    emit runMarksChanged(m_runMarks.names());
}

void Engine::Save_Main_display_click() {
    if (m_shutDown) return;
    captureMainDisplay();
}

void Engine::clear_main_click() {
    if (m_shutDown) return;
    m_elements.setText(kScreenText, QString());
    returnQuestionBox();
}

void Engine::marker_click(const QString& kind, const QString& note) {
    const bool noise = kind == QLatin1String("N");
    if (m_shutDown || (!noise && kind != QLatin1String("M"))) return;
    const QString kept = note.simplified().left(kMarkerNoteLength);
    m_session.add(MarkerRow{QDateTime::currentMSecsSinceEpoch(), m_session.lastTick(),
                            noise ? QStringLiteral("noise") : QStringLiteral("note"), kept});
    const QString text = (noise ? tr("Noise") : tr("Note")) +
                         (kept.isEmpty() ? QString() : QStringLiteral(": ") + kept);
    if (m_subtitles) m_subtitles->line(text);
    if (m_video) {
        VideoOverlays overlays = m_video->overlays();
        overlays.marker = text;
        m_video->setOverlays(overlays);
        m_markerShown.start(kMarkerShownMs);
    }
    emit statusMessage(tr("Marked %1: %2").arg(QTime::currentTime().toString(Qt::ISODate), text));
    publish();
}

void Engine::alarm_answer(int index, const QString& answer) {
    if (m_shutDown || index < 0 || index >= kAlarmCount) return;
    const AlarmSetting setting = alarmSetting(index, answer);
    m_elements.setChecked(QString::fromLatin1(alarmDefinitions()[index].item), setting.armed);
    m_state.alarmValues[std::size_t(index)] = setting.value;
    emit statusMessage(alarmSettingText(index, setting));
    publish();
}

}  // namespace nuvo
