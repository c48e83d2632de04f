#include "capture/capturetriggers.h"

#include <QStringList>
#include <utility>

#include "capture/captureelements.h"
#include "common/elementstates.h"
#include "common/numbertext.h"
#include "common/workstring.h"

namespace nuvo {

namespace {

const QString kContinuous = QStringLiteral("av1");
const QString kPictures = QStringLiteral("av7");
const QString kAlarmPictures = QStringLiteral("vo2");
const QString kQaVideo = QStringLiteral("vo3");
const QString kAlarmVideo = QStringLiteral("vo4");
const QString kConstantAudio = QStringLiteral("av3");
const QString kQaAudio = QStringLiteral("av4");
const QString kAlarmAudio = QStringLiteral("av8");
const QStringList kVideoItems{kContinuous, kPictures, kAlarmPictures, kQaVideo, kAlarmVideo};
const QStringList kAudioItems{kConstantAudio, kQaAudio, kAlarmAudio};

const QString kVideo = QStringLiteral("Video");
const QString kTitle = QStringLiteral("mainform");
const QString kRecordingOn = QStringLiteral("Audio Recording On");
const QString kRecordingPaused = QStringLiteral("Audio Recording Paused");
const QString kRecordingOff = QStringLiteral("Audio Recording Off");

}  // namespace

CaptureTriggers::CaptureTriggers(ElementStates& elements, VideoElement& video, AudioElement& audio,
                                 const QString& datadir, std::function<QString()> dateText,
                                 std::function<void()> menuoff, std::function<void()> menuon)
    : m_elements(elements),
      m_video(video),
      m_audio(audio),
      m_datadir(datadir),
      m_dateText(std::move(dateText)),
      m_menuoff(std::move(menuoff)),
      m_menuon(std::move(menuon)) {}

// Every name is stamped with the time it is made; the cleaned stamp holds no separator,
// so a name never leaves the data folder.
QString CaptureTriggers::nextName(qint32& counter, const char* suffix) const {
    ++counter;
    return m_datadir + swapstring(m_dateText()) + QLatin1Char('_') + numberText(counter) +
           QLatin1String(suffix);
}

QString CaptureTriggers::pictureName(const char* suffix) {
    const QString name = nextName(m_imgcount, suffix);
    if (m_pictureSaved) m_pictureSaved(name);
    return name;
}

void CaptureTriggers::click(const QString& item) {
    if (kVideoItems.contains(item))
        videoClick(item);
    else if (kAudioItems.contains(item))
        audioClick(item);
}

void CaptureTriggers::videoClick(const QString& item) {
    // The two recording modes name their file on every click, so switching off also uses
    // up a counter value.
    const bool records = item == kContinuous || item == kQaVideo;
    if (records)
        m_video.setFileName(nextName(
            m_capcount, item == kContinuous ? "Video_Capture.AVI" : "Video_QA_Capture.AVI"));
    if (m_elements.checked(item)) {
        videoOff(item);
        return;
    }
    m_elements.setChecked(item, true);
    m_elements.setVisible(kVideo, true);
    m_qaSeriesStarts = true;
    m_video.setPreview(true);
    m_video.setDateTimeOverlay(true);
    // Preview modes clear the capture flag themselves: a recording mode or an alarm
    // capture before them leaves it set, and the preview would record over that file.
    m_video.setCaptureToFile(records);
    m_video.start();
    if (item == kQaVideo) m_video.pause();  // the answer times resume it
    for (const QString& other : kVideoItems)
        if (other != item) m_elements.setEnabled(other, false);
}

void CaptureTriggers::videoOff(const QString& item) {
    m_menuoff();
    m_elements.setChecked(item, false);
    m_elements.setVisible(kVideo, false);
    if (item == kContinuous) {
        m_video.setPreview(true);
        m_video.setDateTimeOverlay(true);
        m_video.stop();
        m_video.setCaptureToFile(false);
    }
    m_video.stop();
    if (item == kAlarmVideo) m_vidalarm = false;
    for (const QString& name : kVideoItems) m_elements.setEnabled(name, true);
    m_menuon();
}

void CaptureTriggers::audioClick(const QString& item) {
    if (m_elements.checked(item)) {
        if (item == kAlarmAudio) {
            // Switching the alarm mode off also ends an alarm recording it started.
            m_audio.setListening(false);
            if (m_audalarm) m_audio.stop();
            m_audalarm = false;
        } else {
            m_audio.stop();
            m_elements.setText(kTitle, kRecordingOff);
        }
        m_elements.setChecked(item, false);
        for (const QString& name : kAudioItems) m_elements.setEnabled(name, true);
        return;
    }
    if (item == kConstantAudio) {
        m_audio.setFileName(nextName(m_capcount, "_EVP.wav"));
        m_audio.start();
        m_elements.setText(kTitle, kRecordingOn);
    } else if (item == kQaAudio) {
        m_audio.setFileName(nextName(m_capcount, "Audio_QA.wav"));
        m_audio.start();
        m_audio.pause();  // the answer times resume it
    } else {
        m_audio.setListening(true);  // an alarm recording begins with the seconds before it
    }
    m_elements.setChecked(item, true);
    for (const QString& other : kAudioItems)
        if (other != item) m_elements.setEnabled(other, false);
}

// A series of pictures begins with the seconds kept before it.
void CaptureTriggers::pictureTick() {
    if (!m_elements.checked(kPictures)) return;
    if (std::exchange(m_qaSeriesStarts, false))
        m_video.saveKeptPictures([this] { return pictureName("_VID.JPG"); });
    m_video.savePicture(pictureName("_VID.JPG"));
}

// A lasting alarm starts a new recording under a new name on every tick.
void CaptureTriggers::alarmCaptures(bool fired) {
    if (!fired) {
        if (m_audalarm) m_audio.stop();
        m_picalarm = false;
        if (m_vidalarm) {
            // The file ends; the preview and the seconds kept for the next alarm go on.
            m_video.setCaptureToFile(false);
            m_video.start();
        }
        m_audalarm = m_vidalarm = false;
        return;
    }
    if (m_elements.checked(kAlarmAudio)) {
        m_audalarm = true;
        m_audio.setFileName(nextName(m_capcount, "Alarm_Audio.wav"));
        m_audio.start();
    }
    if (m_elements.checked(kAlarmPictures)) {
        if (!std::exchange(m_picalarm, true))
            m_video.saveKeptPictures([this] { return pictureName("Alarm_VIDEO.JPG"); });
        m_video.savePicture(pictureName("Alarm_VIDEO.JPG"));
    }
    if (m_elements.checked(kAlarmVideo)) {
        m_vidalarm = true;
        m_video.setFileName(nextName(m_capcount, "Alarm_Video.AVI"));
        m_video.setCaptureToFile(true);
        m_video.start();
    }
}

void CaptureTriggers::answerOpens() {
    if (m_elements.checked(kQaAudio)) m_audio.resume();
    if (m_elements.checked(kQaVideo)) m_video.resume();
}

void CaptureTriggers::answerCloses() {
    m_qaSeriesStarts = true;
    if (m_elements.checked(kQaAudio)) m_audio.pause();
    if (m_elements.checked(kQaVideo)) m_video.pause();
}

void CaptureTriggers::constantStarts() {
    if (!m_elements.checked(kQaAudio)) return;
    // The question recording already runs, paused, since "QA Capture" was switched on; a
    // fresh start would end that file and record over it.
    m_audio.resume();
    m_elements.setText(kTitle, kRecordingOn);
}

void CaptureTriggers::constantCancelled() {
    m_qaSeriesStarts = true;
    if (!m_elements.checked(kQaAudio)) return;
    m_audio.pause();
    m_elements.setText(kTitle, kRecordingPaused);
}

QString CaptureTriggers::recordingMode() const {
    static const std::pair<QString, QString> kRecordingModes[] = {
        {kContinuous, QStringLiteral("Video Capture On")},
        {kQaVideo, QStringLiteral("Video QA Capture")},
        {kAlarmVideo, QStringLiteral("Video Capture on Alarm")}};
    for (const auto& [item, caption] : kRecordingModes)
        if (m_elements.checked(item)) return caption;
    return {};
}

void CaptureTriggers::shutdown() {
    m_audio.stop();
    m_video.stop();
}

}  // namespace nuvo
