#pragma once

#include "ecm/voice.h"

#include <QString>

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

namespace nuvo {

// The texts waiting for one voice, oldest first. Whole texts always stay. When the voice
// falls behind, the oldest fragments give way, so that what waits, with what is already on
// its way to the speaker, lasts about kBound.
class SpeechBacklog {
public:
    struct Text {
        quint64 id = 0;
        QString text;
        Delivery delivery = Delivery::Whole;
    };
    static constexpr std::chrono::milliseconds kBound{500};

    // Adds `text` behind the others; `ahead` is the speech still to sound of the texts
    // already taken. Returns the fragments dropped for it, oldest first. The newest
    // fragment always stays.
    std::vector<Text> add(Text text, std::chrono::milliseconds ahead);
    std::optional<Text> take();
    bool empty() const { return m_texts.empty(); }

    // The voice took `duration` to say `text`: the estimate of what waits follows it.
    void learn(const QString& text, std::chrono::milliseconds duration);
    // How long the waiting texts will take to say.
    std::chrono::milliseconds estimate() const;

private:
    double lengthOf(const QString& text) const;

    std::deque<Text> m_texts;
    double m_msPerCharacter = 100;
};

}  // namespace nuvo
