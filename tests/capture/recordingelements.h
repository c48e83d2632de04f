#pragma once

#include "capture/captureelements.h"

#include <QStringList>

namespace nuvo {

// Capture elements that note every call, in order, as "video.start",
// "audio.setFileName(<path>)" and so on.
inline QString onOff(bool on) {
    return on ? QStringLiteral("(true)") : QStringLiteral("(false)");
}

class RecordingVideo : public VideoElement {
public:
    explicit RecordingVideo(QStringList& calls) : m_calls(calls) {}
    void setFileName(const QString& path) override { add("setFileName(" + path + ")"); }
    void setCaptureToFile(bool on) override { add("setCaptureToFile" + onOff(on)); }
    void setPreview(bool on) override { add("setPreview" + onOff(on)); }
    void setDateTimeOverlay(bool on) override { add("setDateTimeOverlay" + onOff(on)); }
    void start() override { add("start"); }
    void stop() override { add("stop"); }
    void savePicture(const QString& path) override { add("savePicture(" + path + ")"); }
    void pause() override { add("pause"); }
    void resume() override { add("resume"); }

private:
    void add(const QString& call) { m_calls << "video." + call; }
    QStringList& m_calls;
};

class RecordingAudio : public AudioElement {
public:
    explicit RecordingAudio(QStringList& calls) : m_calls(calls) {}
    void setFileName(const QString& path) override { add("setFileName(" + path + ")"); }
    void start() override { add("start"); }
    void pause() override { add("pause"); }
    void resume() override { add("resume"); }
    void stop() override { add("stop"); }

private:
    void add(const QString& call) { m_calls << "audio." + call; }
    QStringList& m_calls;
};

}  // namespace nuvo
