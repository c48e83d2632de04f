#pragma once

#include "common/elementstates.h"

#include <QHash>
#include <QObject>

#include <functional>

namespace nuvo {

class AudioElement;
class VideoElement;
struct VideoOverlays;

// The state and behaviour of the "Audio /  Video Setup" window: which devices, inputs,
// formats and compressor the capture uses, the overlays drawn into the video, and a
// preview or a capture to a file the user names. It keeps no capture element of its own:
// every choice goes to the video and audio elements of the main window. Lives in the
// engine's thread; the window mirrors its elements and sends the user's actions.
class CaptureSetup : public QObject {
    Q_OBJECT

public:
    static const QString kNoPropertyPage;
    static const QString kRotateInvertWarning;
    static const QString kTextureMissing;
    static const QString kCaptureFailure;
    static const QString kCaptureFileNotFound;
    static const QString kRecordingRuns;  // %1: the button, %2: the recording mode

    explicit CaptureSetup(QObject* parent = nullptr);

    // Without elements the window keeps its texts and choices but drives nothing.
    void setElements(VideoElement* video, AudioElement* audio);
    // The caption of the "PC A/V" mode that is recording video, empty while none is:
    // "Preview" and "Capture" would end its file, so they wait until it is off.
    void setRecordingMode(std::function<QString()> recordingMode);
    const ElementStates& elements() const { return m_elements; }

    // The texts kept in the settings file.
    QString overlayText1() const { return m_elements.text(QStringLiteral("txtText")); }
    QString overlayText2() const { return m_elements.text(QStringLiteral("txtText2")); }
    QString overlayImage() const { return m_elements.text(QStringLiteral("txtimage")); }
    void setOverlayTexts(const QString& text1, const QString& text2, const QString& image);
    // "Pre-alarm Seconds", also kept in the settings file.
    int preAlarmSeconds() const { return m_elements.value(QStringLiteral("updPreAlarm")); }
    void setPreAlarmSeconds(int seconds);  // outside 0 to 30: ignored

public slots:
    // The window's load: lists filled from the devices, defaults given to the video.
    void load();

    // The user's actions, by element name. A text box that holds a position keeps its
    // last number when given anything else.
    void text_change(const QString& name, const QString& text);
    void check_click(const QString& name, bool checked);
    void list_click(const QString& name, int position);
    void slider_change(const QString& name, int position);
    void button_click(const QString& name);
    // A colour button after the colour choice (0xRRGGBB).
    void color_chosen(const QString& name, quint32 color);
    // "Capture" and the two "Select Image" buttons after the file choice.
    void file_chosen(const QString& name, const QString& path);

signals:
    void elementsChanged(const nuvo::ElementUpdates& updates);
    // A message the user confirms with OK.
    void message(const QString& text);
    // The video runs for the user to see: the main window shows its live picture.
    void videoShown();

private:
    void addHandlers();
    void run(const QString& name);
    void publish();
    void setText(const QString& name, const QString& text);
    void fillList(const QString& name, const QStringList& items, bool selectFirst);
    void select(const QString& name, int position);
    void overlays(const std::function<void(VideoOverlays&)>& change);
    qint16 number(const QString& name) const;

    void audioDeviceChosen();
    void videoDeviceChosen();
    void textStyleChosen();
    void applyRotation();
    void applyInvert();
    void rotationChosen();
    void warnRotateInvert();
    void hatchChosen();
    void drawText();
    void drawTime();
    void drawImage();
    void applyShown();
    void applyPreAlarm();
    void controlCap();
    bool refusedWhileRecording(const QString& button);
    void preview();
    void capture(const QString& file);
    void stopCapture();
    void showCompressorSettings();

    ElementStates m_elements;
    QHash<QString, std::function<void()>> m_handlers;
    QHash<QString, qint16> m_numbers;  // the last number each position box held
    VideoElement* m_video = nullptr;
    AudioElement* m_audio = nullptr;
    std::function<QString()> m_recordingMode;
    quint32 m_trancolor = 0x000000;
    quint32 m_hashfore = 0xFFFFFF;
    quint32 m_hashback = 0x000000;
};

}  // namespace nuvo
