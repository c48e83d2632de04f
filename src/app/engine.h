#pragma once

#include "common/elementstates.h"
#include "ecm/voice.h"
#include "app/programpaths.h"
#include "app/runmarks.h"
#include "capture/capturesetup.h"
#include "common/programrandom.h"
#include "ecm/controlsource.h"
#include "ecm/currentlist.h"
#include "ecm/phoneme.h"
#include "measure/measurestate.h"
#include "scope/scopeframe.h"
#include "session/manifest.h"
#include "session/sessioncaptures.h"
#include "session/sessionrecorder.h"
#include "settings/settingsvalues.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

namespace nuvo {

class AudioElement;
class CaptureSubtitles;
class CaptureTriggers;
class LogFile;
class Link;
class PictureRenderer;
class Transport;
class VideoElement;
struct GetDataResult;
struct TickOutcome;
struct WordOutput;

// The two arrangements of the main window: the word modes with the question and text
// areas, and "ECM OFF" with the read-outs alone.
enum class WindowLayout { WordMode, EcmOff };


// Owns all of the program's state and runs its behaviour; lives in its own thread so that
// a request to the unit never freezes a window. Windows send user actions to its slots
// and mirror what it publishes.
class Engine : public QObject {
    Q_OBJECT

public:
    Engine(Transport& transport, const ProgramPaths& paths, QObject* parent = nullptr);
    ~Engine() override;

    const ElementStates& elements() const { return m_elements; }
    const ProgramPaths& paths() const { return m_paths; }
    Link& link() { return *m_link; }
    // The four speaking voices; a null voice is silent. Set before the engine starts; the
    // voices must outlive the engine.
    void setVoices(const Voices& voices);
    const Voices& voices() const { return m_voices; }
    // The engine rests after speaking so words do not tumble over each other; a benchmark
    // that times many words in a row turns the rests off.
    void setRestsAfterSpeaking(bool on) { m_restsAfterSpeaking = on; }
    // Marks this run in the title, the status line and the pictures (see RunMarks).
    void setRunMark(const RunMarks::Mark& mark, bool on);
    const RunMarks& runMarks() const { return m_runMarks; }
    // Draws the verified pictures of the main display; none: pictures are not saved.
    void setPictureRenderer(PictureRenderer* renderer) { m_renderer = renderer; }
    // Where the session record goes; none: no record is kept. Set before load.
    void setSessionSink(SessionSink* sink) { m_session.setSink(sink); }
    // The camera and the microphone of the "PC A/V" menu; without them its modes do
    // nothing. Set before load.
    void setCaptureElements(VideoElement* video, AudioElement* audio);

    // Main-window state that later stages and the settings file use.
    struct State {
        QString datadir;
        qint16 disclaimercount = 0;
        QString magcal = QStringLiteral("mag");
        std::array<QString, kAlarmCount> alarmValues;
        quint8 companionLevel = 0;
        qint32 shotcount = 0;  // verified pictures saved in this run
    };
    const State& state() const { return m_state; }
    const MeasureState& measure() const { return m_measure; }
    bool measuring() const { return m_speechtimer.isActive(); }
    bool answering() const { return m_asktimer.isActive(); }
    int answerTimeMs() const { return m_asktimer.interval(); }
    bool phonemeTimerRunning() const { return m_htime.isActive(); }
    int phonemeDelayMs() const { return m_htime.interval(); }
    // True while the engine rests after speaking, or while voice 1 still speaks the last
    // word (at most kSpeechWaitMs): the tick and phoneme timers do nothing.
    bool resting() const { return !m_rest.hasExpired() || awaitingSpeech(); }
    bool awaitingSpeech() const { return m_awaitedSpeech != 0 && !m_speechWait.hasExpired(); }
    static constexpr int kSpeechWaitMs = 3000;
    // How often the subtitle tracks and the session record follow the capture files.
    static constexpr int kSubtitlePollMs = 200;
    static constexpr int kMarkerNoteLength = 80;  // characters kept of a marker's note
    static constexpr int kMarkerShownMs = 3000;   // in the video's picture
    // Phoneme fragments the voices dropped because they fell behind.
    int droppedFragments() const { return m_droppedFragments; }
    const CurrentList& currentList() const { return m_list; }
    // The state of the "Audio /  Video Setup" window; lives in the engine's thread.
    CaptureSetup* captureSetup() { return &m_setup; }
    qint16 wordkind() const { return m_wordkind; }
    const QString& phbuf() const { return m_phbuf; }

public slots:
    // The main window's load, in its fixed order.
    void load();
    // The one shut-down sequence; runs once. Returns an error text when the settings
    // could not be saved, otherwise an empty text.
    QString shutdown();

    void menu_click(const QString& name);
    void Slider1_change(int level);  // companion-device level
    void Command1_click();           // companion-device panel "Close"
    void ofs_change(int value);      // Offset Level slider

    // One acquisition tick: every stage in order; a stage the unit does not answer ends
    // the tick without new values.
    void speechtimer_tick();

    // Question mode.
    void Option1_click(int index);             // answer time
    void question_change(const QString& text);  // acts once the text holds a line break
    void asktimer_tick();                       // the answer time is over
    void cancel_click();                        // "Cancel Constant mode"

    // Word list buttons: 0 "Shuffle", 1 "Restore".
    void lcontrol_click(int index);

    // Phoneme panel.
    void Command2_click();  // "PHONEME START" / "PHONEME STOP"
    void Text1_change(const QString& text);
    void Slider2_change(int value);  // "Delay"
    void Check1_click(int index, bool checked);
    void htime_tick();  // one tick of the phoneme routine

    // Records and alarms.
    void alarm_answer(int index, const QString& answer);  // typed set value of alarm 0..11
    void clear_main_click();                              // "Clear Display"
    void Save_Main_display_click();                       // "Capture Main Display"
    // Marks this moment: "M" a note, "N" a noise that may be in the recording; the note
    // may be empty. It goes into the session record, the video's subtitles and its picture.
    void marker_click(const QString& kind, const QString& note);

signals:
    void elementsChanged(const nuvo::ElementUpdates& updates);
    // For the status line: something the user should know that needs no answer.
    void statusMessage(const QString& text);
    void scopeFrameReady(const nuvo::ScopeFrame& frame);
    void layoutChanged(nuvo::WindowLayout layout);
    // The current list was replaced (loaded, switched or shuffled).
    void listChanged(const QStringList& entries);
    void listSelectionChanged(int position);
    // The question box should take the keyboard focus.
    void questionFocusRequested();
    void folderOpenRequested(const QString& path);
    // "About Orrindale": the about box, which shows the program's folder.
    void aboutRequested(const QString& programDir);
    // "Using this Device": the user manual at `path`, shown by the desktop's viewer.
    void manualRequested(const QString& path);
    void captureSetupRequested();
    // "Sessions...": the sessions kept in the data folder `dataDir`.
    void sessionsRequested(const QString& dataDir);
    // The screen saver and sleep should be held off (measuring or recording) or not.
    void keepAwakeChanged(bool awake);
    // The run's marks changed: `names` for the title and the status line.
    void runMarksChanged(const QString& names);
    // A voice finished a text, or gave up on it.
    void speechReported(const nuvo::SpeechReport& report);

private slots:
    void unitPresenceChanged(bool present);
    void speechEnded(const nuvo::SpeechReport& report);

private:
    void publish();
    void selectEcmMode(const QString& item);
    void modeitc();
    void menuoff();
    void menuon();
    void selectOne(const QStringList& group, const QString& item);
    void addMenuHandlers();
    void addSpeechMenuHandlers();
    void afterGetData(const GetDataResult& data);
    QString runWordStage(int v);
    void addRecordHandlers();
    void openLogs();
    void closeLogs();
    void switchLog(const QString& item, LogFile& log, const QString& header);
    void writeLog(const QString& item, LogFile& log, const QString& text);
    void recordTick(const GetDataResult& data, const QString* word);
    void checkAlarms(const GetDataResult& data);
    void screenUpkeep();
    void captureMainDisplay();
    QString dateNow();
    void capture(void (CaptureTriggers::*hook)());
    void appendText(const QString& text);
    quint64 say(int voice, const QString& text, Delivery delivery = Delivery::Whole);
    void rest(int ms, quint64 awaitedSpeech = 0);
    void switchList(void (CurrentList::*load)(), const QString& name);
    void beginSession();
    void endSession();
    void recordTickRow(const TickOutcome& outcome);
    void recordWord(int v, const WordOutput& out, quint64 speech);
    void recordSpeech(const SpeechReport& report);
    void recordGap(const QString& kind, const QString& detail);
    void followCaptures();
    void chooseAnswerSource(qint64 questionNo);
    void endQuestion(bool noResponse);
    void changeList(const std::function<void()>& change);
    void returnQuestionBox();
    void leavePhonemeLayout();
    void enterTimeSlice(const QString& item, const QString& other);
    void publishSelection(int before);
    SettingsValues settingsValues() const;
    void applySettings(const SettingsValues& values);

    ProgramPaths m_paths;
    std::unique_ptr<Link> m_link;
    ElementStates m_elements;
    State m_state;
    MeasureState m_measure;
    Voices m_voices{};
    QTimer m_speechtimer;
    QTimer m_asktimer;
    QTimer m_htime;
    QDeadlineTimer m_rest;
    quint64 m_awaitedSpeech = 0;  // voice 1's last word, until it has sounded
    QDeadlineTimer m_speechWait;
    int m_droppedFragments = 0;
    bool m_restsAfterSpeaking = true;
    bool m_tickRunning = false;
    CurrentList m_list;
    QString m_listName;    // which list was loaded, for the record
    int m_listNo = 0;      // the current list's number in the session record
    Transport& m_transport;
    SessionRecorder m_session;
    QHash<quint64, qint64> m_wordBySpeech;  // voice 1's texts still sounding: their words
    SessionManifest m_manifest;
    ProgramRandom m_random;
    std::optional<ControlSource> m_controlSource;  // while it answers the question
    bool m_blindQuestion = false;  // the question's source is sealed in the record
    qint16 m_wordkind = 0;
    QString m_phbuf;
    SliceValues m_lastslice{};
    std::unique_ptr<LogFile> m_dataLog, m_rfLog, m_alarmLog;
    PictureRenderer* m_renderer = nullptr;
    RunMarks m_runMarks;
    VideoElement* m_video = nullptr;
    AudioElement* m_audio = nullptr;
    std::unique_ptr<CaptureTriggers> m_captures;
    SessionCaptures m_captureFiles;  // the capture files for the session record
    bool m_keepAwake = false;
    std::unique_ptr<CaptureSubtitles> m_subtitles;  // of every video capture
    QTimer m_subtitleTimer;
    QTimer m_markerShown;  // until the marker leaves the video's picture
    CaptureSetup m_setup;
    qint64 m_dateSecond = -1;
    QString m_dateText;
    QHash<QString, std::function<void()>> m_menuHandlers;
    bool m_shutDown = false;
};

}  // namespace nuvo
