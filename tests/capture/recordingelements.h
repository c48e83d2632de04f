#pragma once

#include "capture/captureelements.h"

#include <QStringList>

namespace nuvo {

// Capture elements that note every call, in order, as "video.start",
// "audio.setFileName(<path>)" and so on. Their lists and start result are what the test
// gives them; the overlays are kept as set.
inline QString onOff(bool on) {
    return on ? QStringLiteral("(true)") : QStringLiteral("(false)");
}

inline QString at(int position) {
    return QStringLiteral("(%1)").arg(position);
}

class RecordingVideo : public VideoElement {
public:
    explicit RecordingVideo(QStringList& calls) : m_calls(calls) {}
    void setFileName(const QString& path) override { add("setFileName(" + path + ")"); }
    void setCaptureToFile(bool on) override { add("setCaptureToFile" + onOff(on)); }
    void setPreview(bool on) override { add("setPreview" + onOff(on)); }
    void setDateTimeOverlay(bool on) override {
        add("setDateTimeOverlay" + onOff(on));
        m_overlays.date.shown = on;
    }
    CaptureStart start() override {
        add("start");
        return startResult;
    }
    void stop() override { add("stop"); }
    void savePicture(const QString& path) override { add("savePicture(" + path + ")"); }
    void pause() override { add("pause"); }
    void resume() override { add("resume"); }
    Recording recording() const override { return recordingNow; }
    void setPreAlarmSeconds(int seconds) override { add("setPreAlarmSeconds" + at(seconds)); }
    // As though one frame were kept.
    void saveKeptPictures(const std::function<QString()>& nextName) override {
        add("saveKeptPicture(" + nextName() + ")");
    }

    QStringList devices() const override { return deviceNames; }
    void selectDevice(int position) override {
        add("selectDevice" + at(position));
        m_device = position;
    }
    int device() const override { return m_device; }
    QStringList inputs() const override { return inputNames.value(m_device); }
    void selectInput(int position) override { add("selectInput" + at(position)); }
    QStringList formats() const override { return formatNames.value(m_device); }
    void selectFormat(int position) override { add("selectFormat" + at(position)); }
    QStringList compressors() const override { return compressorNames; }
    void selectCompressor(int position) override { add("selectCompressor" + at(position)); }
    void setUseCompressor(bool on) override { add("setUseCompressor" + onOff(on)); }
    bool showCompressorSettings(int position) override {
        add("showCompressorSettings" + at(position));
        return position == compressorWithSettings;
    }
    bool showDeviceSettings() override {
        add("showDeviceSettings");
        return false;
    }
    void setCaptureVideo(bool on) override { add("setCaptureVideo" + onOff(on)); }
    void setKeepAspectRatio(bool on) override { add("setKeepAspectRatio" + onOff(on)); }
    void setBackgroundColor(quint32 rgb) override { add("setBackgroundColor" + at(int(rgb))); }
    void setTvMute(bool on) override { add("setTvMute" + onOff(on)); }
    VideoOverlays overlays() const override { return m_overlays; }
    void setOverlays(const VideoOverlays& overlays) override { m_overlays = overlays; }

    QStringList deviceNames;
    QList<QStringList> inputNames, formatNames;  // by device
    QStringList compressorNames;
    int compressorWithSettings = -1;
    CaptureStart startResult = CaptureStart::Started;
    Recording recordingNow;  // what recording() answers

private:
    void add(const QString& call) { m_calls << "video." + call; }
    QStringList& m_calls;
    int m_device = -1;
    VideoOverlays m_overlays;
};

class RecordingAudio : public AudioElement {
public:
    explicit RecordingAudio(QStringList& calls) : m_calls(calls) {}
    void setFileName(const QString& path) override { add("setFileName(" + path + ")"); }
    void start() override { add("start"); }
    void pause() override { add("pause"); }
    void resume() override { add("resume"); }
    void stop() override { add("stop"); }
    void setListening(bool on) override { add("setListening" + onOff(on)); }
    void setPreAlarmSeconds(int seconds) override { add("setPreAlarmSeconds" + at(seconds)); }
    VideoElement::Recording recording() const override { return recordingNow; }

    QStringList devices() const override { return deviceNames; }
    void selectDevice(int position) override {
        add("selectDevice" + at(position));
        m_device = position;
    }
    QStringList inputs() const override { return inputNames.value(m_device); }
    void selectInput(int position) override { add("selectInput" + at(position)); }

    QStringList deviceNames;
    QList<QStringList> inputNames;  // by device
    VideoElement::Recording recordingNow;  // what recording() answers

private:
    void add(const QString& call) { m_calls << "audio." + call; }
    QStringList& m_calls;
    int m_device = -1;
};

}  // namespace nuvo
