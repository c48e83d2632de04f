#pragma once

#include "ecm/voice.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <memory>

namespace nuvo {

// The four voices on libflite (slt, rms, awb and kal), synthesised in this process and
// each played through a GStreamer pipeline of its own to the default sound output, so the
// four speak at the same time. Each voice has a thread of its own: say() only queues the
// text. A voice speaks its texts in order, each whole, starting as soon as the one before
// has sounded; phoneme fragments keep a backlog of about half a second (SpeechBacklog).
// Each text is reported once its last sample has sounded, with the times its first and
// last sample sounded, or at once when it was dropped or could not be spoken.
//
// Without a sound output the voices report their texts failed and unavailable() tells the
// user once. FliteVoices must outlive every caller of its voices.
class FliteVoices : public QObject {
    Q_OBJECT

public:
    explicit FliteVoices(QObject* parent = nullptr);
    ~FliteVoices() override;

    Voices voices() const;

signals:
    void unavailable(const QString& message);

private:
    class FliteVoice;

    void reportUnavailable(const QString& reason);

    std::array<std::unique_ptr<FliteVoice>, 4> m_voices;
    std::atomic<bool> m_reported{false};
};

}  // namespace nuvo
