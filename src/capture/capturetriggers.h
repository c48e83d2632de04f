#pragma once

#include <QString>
#include <functional>

namespace nuvo {

class AudioElement;
class ElementStates;
class VideoElement;

// The "PC A/V" capture modes and every capture the program makes: continuous, question
// and alarm video, pictures, and audio recordings, each into the data folder under a
// time-stamped, counted name. Check marks are the modes' state; the five video modes
// exclude each other, as do the three audio modes.
class CaptureTriggers {
public:
    // `dateText` gives the current general date text, which becomes the stamp of each
    // name; `menuoff` and `menuon` lock and unlock the main menus while a video mode stops.
    // `datadir` ends with a separator.
    CaptureTriggers(ElementStates& elements, VideoElement& video, AudioElement& audio,
                    const QString& datadir, std::function<QString()> dateText,
                    std::function<void()> menuoff, std::function<void()> menuon);

    // Told the path of each picture as it is saved.
    void setPictureListener(std::function<void(const QString&)> listener) {
        m_pictureSaved = std::move(listener);
    }

    // A click on one of the mode items av1, av7, vo2, vo3, vo4, av3, av4, av8.
    void click(const QString& item);
    // Once per acquisition tick: the question picture while "Image QA Capture" is on.
    void pictureTick();
    // Once per acquisition tick after the alarm checks: starts the alarm captures when an
    // alarm fired, stops them on the first tick without one.
    void alarmCaptures(bool fired);

    // Around a question's answer time and its constant mode.
    void answerOpens();
    void answerCloses();
    void constantStarts();
    void constantCancelled();

    void shutdown();

    // The caption of the video mode that records to a file, empty while none does.
    QString recordingMode() const;

private:
    void videoClick(const QString& item);
    void videoOff(const QString& item);
    void audioClick(const QString& item);
    QString nextName(qint32& counter, const char* suffix) const;
    QString pictureName(const char* suffix);

    ElementStates& m_elements;
    VideoElement& m_video;
    AudioElement& m_audio;
    QString m_datadir;
    std::function<QString()> m_dateText;
    std::function<void()> m_menuoff;
    std::function<void()> m_menuon;
    std::function<void(const QString&)> m_pictureSaved;
    qint32 m_capcount = 0;  // AVI and WAV names
    qint32 m_imgcount = 0;  // JPEG names
    bool m_vidalarm = false;
    bool m_audalarm = false;
    bool m_picalarm = false;       // the alarm pictures of a lasting alarm run
    bool m_qaSeriesStarts = true;  // the next question picture begins a series
};

}  // namespace nuvo
