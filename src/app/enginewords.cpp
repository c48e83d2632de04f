// The engine's word modes: the word stage, the phoneme routine and panel, the speech
// menu, the word list buttons and the question mode.

#include "app/engine.h"

#include "app/mainelements.h"
#include "capture/capturesubtitles.h"
#include "capture/capturetriggers.h"
#include "common/numbertext.h"
#include "ecm/controlsource.h"
#include "device/link.h"
#include "ecm/voice.h"
#include "ecm/wordstage.h"
#include "question/questiontext.h"
#include "records/logfile.h"
#include "records/logformat.h"


#include <QDateTime>

#include <algorithm>

namespace nuvo {

namespace {

const QString kEcmOff = QStringLiteral("ITC4");
const QString kQuestion = QStringLiteral("question");
const QString kCommand2 = QStringLiteral("Command2");
const QString kControlRun = QStringLiteral("ctlrun");
const QString kBlindControls = QStringLiteral("ctlblind");
const QString kPhonemeStart = QStringLiteral("PHONEME START");
const QString kPhonemeStop = QStringLiteral("PHONEME STOP");
const QString kLineEnd = QStringLiteral("\r\n");
const QStringList kAnswerTimeChoices = indexedGroup("Option1", 8);
const QStringList kVoiceChecks = indexedGroup("Check1", 4);
// The question panel and the read-outs that the phoneme panel replaces.
const QStringList kQuestionLayoutFrames{"Frame3", "Frame4", "Frame1", "Frame8"};

constexpr quint32 kAcceptingColor = 0xC0C0C0;  // light grey: the box takes a question
constexpr quint32 kAnsweringColor = 0x000000;

}  // namespace

void Engine::addSpeechMenuHandlers() {
    // Items that do nothing while "ECM OFF" is checked, with what they do otherwise.
    const auto unlessEcmOff = [this](const char* name, std::function<void()> action) {
        m_menuHandlers.insert(QString::fromLatin1(name), [this, action] {
            if (!m_elements.checked(kEcmOff)) action();
        });
    };
    unlessEcmOff("speechON", [this] {
        const QString item = QStringLiteral("speechON");
        if (m_elements.checked(item)) {
            m_elements.setChecked(item, false);
            return;
        }
        m_elements.setChecked(item, true);
        m_htime.stop();
        m_elements.setVisible(QStringLiteral("Frame3"), true);
    });
    unlessEcmOff("phbrake", [this] { m_elements.toggle(QStringLiteral("phbrake")); });
    unlessEcmOff("HSPh", [this] {
        const QString item = QStringLiteral("HSPh");
        if (m_elements.checked(item)) {
            m_elements.setChecked(item, false);
            return;
        }
        m_elements.setChecked(item, true);
        m_elements.setChecked(QStringLiteral("tsphone"), false);
        m_elements.setChecked(QStringLiteral("rsphone"), false);
        leavePhonemeLayout();
    });
    unlessEcmOff("phoneon", [this] {
        const QString item = QStringLiteral("phoneon");
        const bool on = !m_elements.checked(item);
        // Leaving phonemes always returns to the default word list.
        if (on)
            switchList(&CurrentList::loadPhonemes, QStringLiteral("phonemes"));
        else
            switchList(&CurrentList::loadDefaultWords, QStringLiteral("default"));
        m_elements.setChecked(item, on);
    });
    // The next question is answered by the program's random source; the check mark stays
    // until that answer ends.
    m_menuHandlers.insert(kControlRun, [this] {
        const bool on = !m_elements.checked(kControlRun);
        m_elements.setChecked(kControlRun, on);
        setRunMark(kControlRunMark, on);
    });
    m_menuHandlers.insert(kBlindControls, [this] { m_elements.toggle(kBlindControls); });
    m_menuHandlers.insert(QStringLiteral("tsphone"), [this] {
        enterTimeSlice(QStringLiteral("tsphone"), QStringLiteral("rsphone"));
    });
    m_menuHandlers.insert(QStringLiteral("rsphone"), [this] {
        enterTimeSlice(QStringLiteral("rsphone"), QStringLiteral("tsphone"));
    });
    m_menuHandlers.insert(QStringLiteral("itcpro"), [this] {
        const QString item = QStringLiteral("itcpro");
        const bool on = !m_elements.checked(item);
        m_elements.setChecked(item, on);
        if (on)
            switchList(&CurrentList::loadProWords, QStringLiteral("pro"));
        else
            switchList(&CurrentList::loadDefaultWords, QStringLiteral("default"));
    });
}

// Turns the time-slice item on (leaving the other and High Speed Phoneme off) or off.
void Engine::enterTimeSlice(const QString& item, const QString& other) {
    if (m_elements.checked(item)) {
        m_elements.setChecked(item, false);
        leavePhonemeLayout();
        return;
    }
    m_asktimer.stop();
    m_speechtimer.stop();
    m_elements.setChecked(item, true);
    m_elements.setChecked(other, false);
    m_elements.setChecked(QStringLiteral("HSPh"), false);
    m_elements.setVisible(QStringLiteral("Frame9"), true);
    for (const QString& check : kVoiceChecks) m_elements.setVisible(check, true);
    for (const QString& frame : kQuestionLayoutFrames) m_elements.setVisible(frame, false);
    // The phoneme timer waits for "PHONEME START".
}

void Engine::leavePhonemeLayout() {
    m_htime.stop();
    m_elements.setVisible(QStringLiteral("Frame9"), false);
    for (int k = 0; k < 4; ++k) {
        m_elements.setVisible(kVoiceChecks[k], false);
        m_elements.setChecked(kVoiceChecks[k], k == 0);
    }
    for (const QString& frame : kQuestionLayoutFrames) m_elements.setVisible(frame, true);
}

void Engine::switchList(void (CurrentList::*load)(), const QString& name) {
    m_listName = name;
    changeList([this, load] { (m_list.*load)(); });
}

void Engine::changeList(const std::function<void()>& change) {
    const int before = m_list.selected();
    change();
    m_listNo = m_session.list(m_listName, m_list.entries());
    emit listChanged(m_list.entries());
    publishSelection(before);
}

void Engine::publishSelection(int before) {
    if (m_list.selected() != before) emit listSelectionChanged(m_list.selected());
}

void Engine::lcontrol_click(int index) {
    if (m_shutDown || !m_elements.enabled(indexedGroup("lcontrol", 2).value(index))) return;
    if (index == 0) {
        if (!m_listName.endsWith(QStringLiteral(" shuffled")))
            m_listName += QStringLiteral(" shuffled");
        changeList([this] { m_list.shuffle(m_random); });
    } else {
        switchList(&CurrentList::loadDefaultWords, QStringLiteral("default"));
        m_elements.setChecked(QStringLiteral("itcpro"), false);
        m_elements.setVisible(QStringLiteral("itcpro"), false);
    }
    publish();
}

QString Engine::runWordStage(int v) {
    WordStageSettings settings;
    settings.phonemes = m_elements.checked(QStringLiteral("phoneon"));
    settings.phonemeBreaks = m_elements.checked(QStringLiteral("phbrake"));
    settings.speech = m_elements.checked(QStringLiteral("speechON"));
    const int before = m_list.selected();
    const WordOutput out = wordStage(m_list, v, settings, m_wordkind, m_phbuf);
    // Speak first: the voice is what the user waits for.
    const quint64 speech = out.spoken.isEmpty() ? 0 : say(0, out.spoken);
    recordWord(v, out, speech);
    if (!out.shown.isEmpty()) appendText(out.shown);
    if (m_subtitles) m_subtitles->word(out.logWord);
    publishSelection(before);
    // A word longer than the rest is heard whole before the next one comes.
    rest(out.pauseMs, speech);
    return out.logWord;
}

void Engine::appendText(const QString& text) {
    for (const char* name : {"main_display", "veiwlog"}) {
        const QString element = QString::fromLatin1(name);
        m_elements.setText(element, m_elements.text(element) + text);
    }
}

void Engine::setVoices(const Voices& voices) {
    m_voices = voices;
    for (Voice* voice : m_voices) {
        if (!voice) continue;
        voice->setListener([this](const SpeechReport& report) {
            QMetaObject::invokeMethod(this, [this, report] { speechEnded(report); },
                                      Qt::QueuedConnection);
        });
    }
}

quint64 Engine::say(int voice, const QString& text, Delivery delivery) {
    Voice* v = m_voices[std::size_t(voice)];
    return v ? v->say(text, delivery) : 0;
}

void Engine::rest(int ms, quint64 awaitedSpeech) {
    if (ms <= 0 || !m_restsAfterSpeaking) return;
    m_rest.setRemainingTime(ms);
    if (awaitedSpeech == 0) return;
    m_awaitedSpeech = awaitedSpeech;
    m_speechWait.setRemainingTime(kSpeechWaitMs);
}

void Engine::speechEnded(const SpeechReport& report) {
    if (report.id == m_awaitedSpeech && report.voice == 0) m_awaitedSpeech = 0;
    if (report.voice == 0) recordSpeech(report);
    if (report.outcome == SpeechReport::Outcome::Dropped && m_droppedFragments++ == 0)
        emit statusMessage(tr("The voices cannot keep up with the phoneme timer: the oldest "
                        "fragments are dropped. A longer \"Delay\" keeps every one."));
    emit speechReported(report);
}

// Phoneme panel ------------------------------------------------------------------------

void Engine::Command2_click() {
    if (m_shutDown) return;
    if (m_elements.text(kCommand2) == kPhonemeStart) {
        m_htime.start();
        m_elements.setText(kCommand2, kPhonemeStop);
        menuoff();
    } else {
        m_elements.setText(kCommand2, kPhonemeStart);
        m_htime.stop();
        if (m_elements.checked(kEcmOff))
            modeitc();
        else
            menuon();
    }
    publish();
}

void Engine::Text1_change(const QString& text) {
    if (m_shutDown || !text.contains(kLineEnd)) return;
    say(0, text);  // whole, however fast the user types
    m_elements.setText(QStringLiteral("Text1"), QString());
    publish();
}

void Engine::Slider2_change(int value) {
    if (m_shutDown) return;
    const int delay = std::clamp(value, 1, 200);
    m_htime.setInterval(delay);
    m_elements.setText(QStringLiteral("Text1"), numberText(delay));
    publish();
}

void Engine::Check1_click(int index, bool checked) {
    if (m_shutDown || index < 0 || index >= 4) return;
    m_elements.setChecked(kVoiceChecks[index], checked);
    publish();
}

void Engine::htime_tick() {
    if (m_shutDown || resting()) return;
    const bool random = m_elements.checked(QStringLiteral("rsphone"));
    const auto values = phonemeValues(random, *m_link, m_list, m_random);
    if (!values) return;
    if (random) rest(kRandomPhonemePauseMs);
    std::array<bool, 4> checked{};
    for (int k = 0; k < 4; ++k) checked[k] = m_elements.checked(kVoiceChecks[k]);
    const int before = m_list.selected();
    const auto spoken = pickPhonemes(*values, checked, m_list, m_lastslice);
    for (int k = 0; k < 4; ++k)
        if (spoken[k]) say(k, *spoken[k], Delivery::Fragment);
    publishSelection(before);
}

// Question mode ------------------------------------------------------------------------

// The question box takes input again and, in a word mode, the keyboard focus.
void Engine::returnQuestionBox() {
    m_elements.setEnabled(kQuestion, true);
    publish();  // the box must be enabled in the window before it can take the focus
    if (!m_elements.checked(kEcmOff)) emit questionFocusRequested();
}

void Engine::Option1_click(int index) {
    if (m_shutDown || index < 0 || index > kConstantAnswerIndex) return;
    selectOne(kAnswerTimeChoices, kAnswerTimeChoices[index]);
    if (const auto ms = nuvo::answerTimeMs(index)) {
        m_asktimer.setInterval(*ms);
        if (m_speechtimer.isActive() && !m_asktimer.isActive()) endQuestion(false);
        m_speechtimer.stop();  // ends constant mode if it ran
    } else {
        m_speechtimer.start();
        menuoff();
        capture(&CaptureTriggers::constantStarts);
    }
    returnQuestionBox();
}

void Engine::question_change(const QString& text) {
    if (m_shutDown || !text.contains(kLineEnd)) return;
    const bool constant = m_elements.checked(kAnswerTimeChoices[kConstantAnswerIndex]);
    appendText(questionEcho(text, constant));
    if (m_subtitles) m_subtitles->line(questionEcho(text, false));
    writeLog(QStringLiteral("logfileon"), *m_dataLog,
             questionRecord(dateNow(), text));
    m_elements.setText(kQuestion, QString());
    endQuestion(false);  // a question typed in constant mode ends the last one
    QuestionRow row;
    row.text = text;
    if (!constant) row.answerMs = m_asktimer.interval();
    row.startMs = QDateTime::currentMSecsSinceEpoch();
    chooseAnswerSource(m_session.beginQuestion(row));
    if (!constant) {
        m_elements.setColor(kQuestion, kAnsweringColor);
        m_elements.setEnabled(kQuestion, false);
        m_wordkind = kNoWordYet;
        m_speechtimer.start();
        m_asktimer.start();
        menuoff();
        capture(&CaptureTriggers::answerOpens);
    }
    publish();
}

// A question asked after "Control run" is answered by the random source; with "Blind
// Controls" each question is, at random, and only the session record knows which.
void Engine::chooseAnswerSource(qint64 questionNo) {
    const bool requested = m_elements.checked(kControlRun);
    m_blindQuestion = !requested && m_elements.checked(kBlindControls);
    if (!requested && !m_blindQuestion) return;
    const quint64 seed = ControlSource::newSeed();
    ControlSource source(seed);
    const bool control = requested || source.chosen();
    if (control) m_controlSource = source;
    m_session.add(ControlRow{questionNo, m_blindQuestion, control, seed});
}

void Engine::endQuestion(bool noResponse) {
    m_session.endQuestion(QDateTime::currentMSecsSinceEpoch(), noResponse);
    if (m_controlSource && !m_blindQuestion) {
        m_elements.setChecked(kControlRun, false);
        setRunMark(kControlRunMark, false);
    }
    m_controlSource.reset();
    m_blindQuestion = false;
}

void Engine::asktimer_tick() {
    if (m_shutDown) return;
    m_speechtimer.stop();
    m_elements.setColor(kQuestion, kAcceptingColor);
    m_asktimer.stop();
    endQuestion(m_wordkind == kNoWordYet);
    appendText(answerEnding(m_wordkind));
    menuon();
    returnQuestionBox();
    capture(&CaptureTriggers::answerCloses);
}

void Engine::cancel_click() {
    if (m_shutDown) return;
    endQuestion(false);
    m_speechtimer.stop();
    menuon();
    Option1_click(kDefaultAnswerIndex);
    capture(&CaptureTriggers::constantCancelled);
    publish();
}

}  // namespace nuvo
