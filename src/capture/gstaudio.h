#pragma once

#include "capture/captureelements.h"
#include "capture/gstcapture.h"

namespace nuvo {

// The default microphone (or, simulated, a test tone) recorded as 16-bit PCM WAV at
// 44100 Hz. A paused recording leaves the time out: the file holds only what was heard
// while recording.
class GstAudioElement : public GstCapture, public AudioElement {
    Q_OBJECT

public:
    static constexpr int kSampleRate = 44100;

    explicit GstAudioElement(bool simulated, QObject* parent = nullptr);

    void setFileName(const QString& path) override;
    void start() override;
    void pause() override;
    void resume() override;
    void stop() override;

protected:
    QString testSource() const override;
    QString processing() const override;
};

}  // namespace nuvo
