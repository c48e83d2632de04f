#pragma once

#include "ecm/voice.h"

#include <QObject>
#include <QString>

#include <array>
#include <memory>

namespace nuvo {

// The four voices on Qt TextToSpeech, each a different voice of the engine (flite where it
// is installed). The speech objects live in the thread that creates QtVoices; say() only
// posts the text there, so a caller in any thread never waits for the engine. A newer text
// does not cut off the one being spoken: texts are spoken in order, and only phoneme
// fragments give way when too many wait. QtVoices must outlive every caller of its voices.
//
// Without a working engine or sound output the voices stay silent and unavailable() tells
// the user once.
class QtVoices : public QObject {
    Q_OBJECT

public:
    explicit QtVoices(QObject* parent = nullptr);
    ~QtVoices() override;

    Voices voices() const;

signals:
    void unavailable(const QString& message);

private:
    class SpeechVoice;

    void reportUnavailable(const QString& reason);

    std::array<std::unique_ptr<SpeechVoice>, 4> m_voices;
    bool m_reported = false;
};

}  // namespace nuvo
