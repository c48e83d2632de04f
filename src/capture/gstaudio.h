#pragma once

#include "capture/captureelements.h"
#include "capture/gstcapture.h"

namespace nuvo {

// The chosen microphone (the system's default unless another was chosen; simulated, a test
// tone) recorded as 16-bit PCM WAV at 44100 Hz with the chosen channel layout. A paused
// recording leaves the time out: the file holds only what was heard while recording.
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
    void setListening(bool on) override;
    void setPreAlarmSeconds(int seconds) override;
    VideoElement::Recording recording() const override;

    QStringList devices() const override;
    void selectDevice(int position) override;
    // The channel layouts the device offers ("Mono", "Stereo", ...), or the device alone
    // when its layouts are not known.
    QStringList inputs() const override;
    void selectInput(int position) override;

protected:
    QString testSource() const override;
    QString processing() const override;
    QString muxer() const override;
    QString preferredDeviceCaps() const override;

private:
    // Channel counts of the selected source's inputs, 0 for the device's own (lock held).
    std::vector<int> channelCounts() const;
    int channels() const;  // of the selected input, 0: as the device gives

    int m_input = 0;  // under m_lock
};

}  // namespace nuvo
