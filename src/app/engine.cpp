#include "app/engine.h"

#include "alarms/alarms.h"

#include "app/mainelements.h"
#include "app/menus.h"
#include "capture/captureelements.h"
#include "capture/capturesubtitles.h"
#include "capture/capturetriggers.h"
#include "device/link.h"
#include "help/help.h"
#include "measure/getdata.h"
#include "measure/rfbands.h"
#include "measure/tick.h"
#include "question/questiontext.h"
#include "records/logfile.h"
#include "records/logformat.h"
#include "settings/settingsfile.h"

#include "common/numbertext.h"

#include <QDateTime>
#include <QDir>

#include <algorithm>
#include <optional>

namespace nuvo {

namespace {

const QStringList kEcmModes{"ITC1", "ITC2", "ITC3", "ITC4"};
const QStringList kTimeBases{"tb1", "tb5", "tb10", "tb100"};
// What menuoff disables and menuon enables, in that order.
const QStringList kLockedByMenuoff{"Filemnu", "ITCmnu",      "RFmnu",       "speechmnu",
                                   "alarmsmnu", "Logmnu",    "scopemnu",    "helpmnu",
                                   "lcontrol(0)", "lcontrol(1)", "av0",     "exp0"};
// Elements only the word modes show.
const QStringList kWordModeElements{"Frame5",     "Frame6",        "List1",
                                    "question",   "clear_main",    "Save_Main_display",
                                    "cancel",     "answerstatus"};
constexpr int kSpeechtimerIntervalMs = 10;
constexpr int kDefaultAnswerTimeMs = 5000;
constexpr int kDefaultPhonemeDelayMs = 35;

const QStringList kAnswerTimes = indexedGroup("Option1", 8);

}  // namespace

Engine::Engine(Transport& transport, const ProgramPaths& paths, QObject* parent)
    : QObject(parent), m_paths(paths), m_link(std::make_unique<Link>(transport)),
      // Children, so the timers move to the engine thread with us.
      m_speechtimer(this), m_asktimer(this), m_htime(this), m_transport(transport),
      m_subtitleTimer(this), m_markerShown(this), m_setup(this) {
    qRegisterMetaType<nuvo::ElementUpdates>();
    qRegisterMetaType<nuvo::ScopeFrame>();
    qRegisterMetaType<nuvo::WindowLayout>();
    qRegisterMetaType<nuvo::SpeechReport>();
    connect(m_link.get(), &Link::unitPresenceChanged, this, &Engine::unitPresenceChanged);
    connect(m_link.get(), &Link::unitUnavailable, this, &Engine::statusMessage);
    m_link->setExchangeObserver([this](Command command, const std::optional<Report>& answer) {
        m_session.exchange(command, answer, QDateTime::currentMSecsSinceEpoch());
    });
    m_speechtimer.setInterval(kSpeechtimerIntervalMs);
    connect(&m_speechtimer, &QTimer::timeout, this, &Engine::speechtimer_tick);
    m_asktimer.setInterval(kDefaultAnswerTimeMs);
    connect(&m_asktimer, &QTimer::timeout, this, &Engine::asktimer_tick);
    m_htime.setInterval(kDefaultPhonemeDelayMs);
    connect(&m_htime, &QTimer::timeout, this, &Engine::htime_tick);
    m_elements = designElements();
    m_setup.setRecordingMode([this] { return m_captures ? m_captures->recordingMode() : QString(); });
    connect(&m_setup, &CaptureSetup::videoShown, this, [this] {
        m_elements.setVisible(QStringLiteral("Video"), true);
        publish();
    });
    addMenuHandlers();
    addSpeechMenuHandlers();
    addRecordHandlers();
}

Engine::~Engine() {
    // No report may reach the engine once it is gone.
    for (Voice* voice : m_voices)
        if (voice) voice->setListener({});
}

void Engine::setCaptureElements(VideoElement* video, AudioElement* audio) {
    m_video = video;
    m_audio = audio;
    m_setup.setElements(video, audio);
}

void Engine::capture(void (CaptureTriggers::*hook)()) {
    if (m_captures) (m_captures.get()->*hook)();
}

void Engine::addMenuHandlers() {
    for (const RfBand& band : rfBands()) {
        const QString name = QString::fromLatin1(band.itemName);
        m_menuHandlers.insert(name, [this, name] { m_elements.toggle(name); });
    }
    for (const QString& mode : kEcmModes)
        m_menuHandlers.insert(mode, [this, mode] { selectEcmMode(mode); });
    for (const QString& base : kTimeBases)
        m_menuHandlers.insert(base, [this, base] { selectOne(kTimeBases, base); });
    for (const char* toggle : {"TBon", "showab", "ShowA", "showb", "nightmode"}) {
        const QString name = QString::fromLatin1(toggle);
        m_menuHandlers.insert(name, [this, name] { m_elements.toggle(name); });
    }
    for (const char* mode : {"av1", "av7", "vo2", "vo3", "vo4", "av3", "av4", "av8"}) {
        const QString name = QString::fromLatin1(mode);
        m_menuHandlers.insert(name, [this, name] {
            if (m_captures) m_captures->click(name);
        });
    }
    m_menuHandlers.insert(QStringLiteral("vidtext"), [this] { emit captureSetupRequested(); });
    m_menuHandlers.insert(QStringLiteral("sessions"), [this] { emit sessionsRequested(m_state.datadir); });
    m_menuHandlers.insert(QStringLiteral("abkv"),
                          [this] { emit aboutRequested(m_paths.programDir); });
    m_menuHandlers.insert(QStringLiteral("usekv"),
                          [this] { emit manualRequested(manualPath(m_paths.programDir)); });
    m_menuHandlers.insert(QStringLiteral("exp3"),
                          [this] { m_elements.setVisible(QStringLiteral("Frame10"), true); });
}

void Engine::load() {
    m_link->hidconnect();
    switchList(&CurrentList::loadDefaultWords, QStringLiteral("default"));

    m_state.datadir = m_paths.dataDir;
    openLogs();
    m_captureFiles.setDataDir(m_state.datadir);
    if (m_video && m_audio) {
        m_captures = std::make_unique<CaptureTriggers>(
            m_elements, *m_video, *m_audio, m_state.datadir, [this] { return dateNow(); },
            [this] { menuoff(); }, [this] { menuon(); });
        m_captures->setPictureListener([this](const QString& path) {
            m_session.add(m_captureFiles.picture(path, QDateTime::currentMSecsSinceEpoch()));
        });
    }
    if (m_video || m_audio) {
        connect(&m_subtitleTimer, &QTimer::timeout, this, [this] {
            if (m_subtitles) m_subtitles->poll();
            followCaptures();
        });
        m_subtitleTimer.start(kSubtitlePollMs);
    }
    if (m_video) {
        m_subtitles = std::make_unique<CaptureSubtitles>(
            *m_video, [this](const QString& problem) { emit statusMessage(problem); });
        m_markerShown.setSingleShot(true);
        connect(&m_markerShown, &QTimer::timeout, this, [this] {
            VideoOverlays overlays = m_video->overlays();
            overlays.marker.clear();
            m_video->setOverlays(overlays);
        });
    }
    if (QDir().mkpath(m_state.datadir))
        switchLog(QStringLiteral("logfileon"), *m_dataLog, dataLogHeader());
    else
        emit statusMessage(tr("Cannot create the data folder %1: logs and pictures will not be saved.")
                         .arg(m_state.datadir));

    // The overlay picture defaults to the one shipped beside the program; the settings
    // may name another.
    m_setup.text_change(QStringLiteral("txtimage"),
                        QDir::toNativeSeparators(m_paths.programDir + QStringLiteral("/BOX.BMP")));
    m_setup.load();

    m_measure.histlen = 10;
    m_measure.waitflag = 0;
    m_measure.offset = 5;

    SettingsValues values = settingsValues();
    readini(m_paths.settingsFile, values);
    applySettings(values);
    beginSession();
    publish();
}

QString Engine::shutdown() {
    if (m_shutDown) return {};
    m_shutDown = true;
    m_speechtimer.stop();
    m_asktimer.stop();
    m_htime.stop();
    m_link->hiddisconnect();
    capture(&CaptureTriggers::shutdown);
    followCaptures();  // the files just ended
    m_subtitleTimer.stop();
    m_subtitles.reset();  // writes the last cues
    closeLogs();
    endSession();
    QString error;
    writeini(m_paths.settingsFile, settingsValues(), &error);
    return error;
}

void Engine::menu_click(const QString& name) {
    if (m_shutDown) return;
    const auto handler = m_menuHandlers.constFind(name);
    if (handler != m_menuHandlers.constEnd() && m_elements.enabled(name)) (*handler)();
    if (m_subtitles) m_subtitles->poll();  // a capture that began gets its track at once
    followCaptures();
    publish();
}

void Engine::Slider1_change(int level) {
    if (m_shutDown) return;
    m_state.companionLevel = static_cast<quint8>(std::clamp(level, 0, 250));
    m_link->sendCompanionLevel(m_state.companionLevel);
}

void Engine::Command1_click() {
    m_elements.setVisible(QStringLiteral("Frame10"), false);
    publish();
}

void Engine::ofs_change(int value) {
    m_measure.offset = static_cast<qint16>(std::clamp(value, 1, 100));
    m_elements.setText(QStringLiteral("offsetdisp"), numberText(m_measure.offset));
    publish();
}

void Engine::speechtimer_tick() {
    if (m_tickRunning || m_shutDown) return;
    if (resting()) {
        publish();  // the countdown goes on
        return;
    }
    m_tickRunning = true;
    m_session.beginTick();
    const TickOutcome outcome = runTick(*m_link, m_measure, m_elements,
                                        [this](const GetDataResult& data) { afterGetData(data); });
    recordTickRow(outcome);
    m_session.endTick();
    if (outcome.scopeSampled && m_elements.checked(QStringLiteral("TBon")))
        emit scopeFrameReady(scopeFrame(m_measure, m_elements));
    if (outcome.data.unitAnswered) capture(&CaptureTriggers::pictureTick);
    m_tickRunning = false;
    publish();
}

// The rest of get_data once it has its values: the word, the log lines, the alarms and
// the upkeep of the screen texts.
void Engine::afterGetData(const GetDataResult& data) {
    std::optional<QString> word;
    if (data.wordDue) word = runWordStage(m_controlSource ? m_controlSource->value(m_list.size()) : data.v);
    if (!data.completed) return;
    recordTick(data, word ? &*word : nullptr);
    checkAlarms(data);
    screenUpkeep();
}

void Engine::selectOne(const QStringList& group, const QString& item) {
    for (const QString& name : group) m_elements.setChecked(name, name == item);
}

void Engine::selectEcmMode(const QString& item) {
    selectOne(kEcmModes, item);
    modeitc();
}

void Engine::modeitc() {
    const bool ecmOff = m_elements.checked(QStringLiteral("ITC4"));
    for (const QString& name : kWordModeElements) m_elements.setVisible(name, !ecmOff);
    for (const QString& name : kAnswerTimes) m_elements.setVisible(name, !ecmOff);
    emit layoutChanged(ecmOff ? WindowLayout::EcmOff : WindowLayout::WordMode);
    if (ecmOff) {
        menuoff();
        const bool timeSlice = m_elements.checked(QStringLiteral("tsphone")) ||
                               m_elements.checked(QStringLiteral("rsphone"));
        if (!timeSlice) m_speechtimer.start();
    } else {
        // Words come only while a question is answered.
        m_speechtimer.stop();
        Option1_click(kDefaultAnswerIndex);
        menuon();
    }
    for (const char* name : {"ITCmnu", "RFmnu", "speechmnu"})
        m_elements.setEnabled(QString::fromLatin1(name), true);
}

void Engine::menuoff() {
    for (const QString& name : kLockedByMenuoff) m_elements.setEnabled(name, false);
    if (m_elements.checked(QStringLiteral("ITC4")))
        for (const char* name : {"ITCmnu", "RFmnu", "speechmnu"})
            m_elements.setEnabled(QString::fromLatin1(name), true);
}

void Engine::menuon() {
    for (const QString& name : kLockedByMenuoff) m_elements.setEnabled(name, true);
}

void Engine::unitPresenceChanged(bool present) {
    m_elements.setVisible(QStringLiteral("Frame7"), !present);
    recordGap(present ? QStringLiteral("replugged") : QStringLiteral("unplugged"), {});
    publish();
}

void Engine::publish() {
    m_session.flush();
    // The answer's countdown follows the ticks, which publish as they go.
    const bool constant = m_elements.checked(QStringLiteral("Option1(7)"));
    std::optional<int> secondsLeft;
    if (m_asktimer.isActive())  // a coarse timer may report a little more than its interval
        secondsLeft = (std::min(m_asktimer.remainingTime(), m_asktimer.interval()) + 999) / 1000;
    m_elements.setText(QStringLiteral("answerstatus"),
                       answerStatus(m_speechtimer.isActive() && (constant || secondsLeft),
                                    constant ? std::nullopt : secondsLeft));
    ElementUpdates changes = m_elements.takeChanges();
    if (!changes.isEmpty()) emit elementsChanged(changes);
    // Measuring, the phoneme voices and the recordings that run without a question keep
    // the computer awake.
    const bool awake = m_speechtimer.isActive() || m_htime.isActive() ||
                       m_elements.checked(QStringLiteral("av1")) ||
                       m_elements.checked(QStringLiteral("av3"));
    if (awake != m_keepAwake) {
        m_keepAwake = awake;
        emit keepAwakeChanged(awake);
    }
}

SettingsValues Engine::settingsValues() const {
    SettingsValues values;
    for (int i = 0; i < kRfBandCount; ++i)
        values.rfBands[i] = m_elements.checked(QString::fromLatin1(rfBands()[i].itemName));
    for (int i = 0; i < kAlarmCount; ++i)
        values.alarmArmed[i] = m_elements.checked(QString::fromLatin1(alarmDefinitions()[i].item));
    values.alarmValues = m_state.alarmValues;
    values.videoText1 = m_setup.overlayText1();
    values.videoText2 = m_setup.overlayText2();
    values.videoImage = m_setup.overlayImage();
    values.preAlarmSeconds = qint16(m_setup.preAlarmSeconds());
    values.disclaimercount = m_state.disclaimercount;
    values.tempcal = m_measure.tempcal;
    values.magcal = m_state.magcal;
    values.nightMode = m_elements.checked(QStringLiteral("nightmode"));
    values.logtext = m_elements.checked(QStringLiteral("logtext"));
    return values;
}

void Engine::applySettings(const SettingsValues& values) {
    for (int i = 0; i < kRfBandCount; ++i)
        m_elements.setChecked(QString::fromLatin1(rfBands()[i].itemName), values.rfBands[i]);
    for (int i = 0; i < kAlarmCount; ++i)
        m_elements.setChecked(QString::fromLatin1(alarmDefinitions()[i].item), values.alarmArmed[i]);
    m_state.alarmValues = values.alarmValues;
    // A file without a picture (a first start) keeps the one shipped with the program.
    m_setup.setOverlayTexts(values.videoText1, values.videoText2,
                            values.videoImage.isEmpty() ? m_setup.overlayImage() : values.videoImage);
    m_setup.setPreAlarmSeconds(values.preAlarmSeconds);
    m_state.disclaimercount = values.disclaimercount;
    m_measure.tempcal = values.tempcal;
    m_state.magcal = values.magcal;
    m_elements.setChecked(QStringLiteral("nightmode"), values.nightMode);
    m_elements.setChecked(QStringLiteral("logtext"), values.logtext);
    m_elements.setVisible(QStringLiteral("veiwlog"), values.logtext);
}

}  // namespace nuvo
