#pragma once

#include <QMetaType>
#include <QString>

#include <array>
#include <functional>
#include <mutex>
#include <utility>

namespace nuvo {

// How a text may be treated when its voice falls behind.
enum class Delivery {
    Whole,     // always spoken, in order, however long the voice takes
    Fragment,  // a phoneme fragment: the oldest give way when too many wait
};

// What became of one text given to a voice.
struct SpeechReport {
    enum class Outcome { Spoken, Dropped, Failed };

    quint64 id = 0;  // as say() returned it
    int voice = 0;   // 0 to 3: speakman, speak2, speak3, speak4
    QString text;
    Outcome outcome = Outcome::Spoken;
    // Milliseconds since the epoch at which the first and the last sample sounded; 0 when
    // the text was not spoken.
    qint64 startedMs = 0;
    qint64 finishedMs = 0;
    QString problem;  // why a text Failed
};

// One speaking voice. say() hands the text over and returns at once with the text's id
// (never 0); the voice reports once per text when it has finished sounding, or why it was
// not spoken. Safe to call from any thread; reports come from any thread, the voice's own
// or the caller's.
class Voice {
public:
    using Listener = std::function<void(const SpeechReport&)>;

    virtual ~Voice() = default;
    virtual quint64 say(const QString& text, Delivery delivery = Delivery::Whole) = 0;

    // Returns once no report is being delivered to the previous listener.
    void setListener(Listener listener) {
        const std::lock_guard lock(m_listenerMutex);
        m_listener = std::move(listener);
    }

protected:
    void report(const SpeechReport& speech) {
        const std::lock_guard lock(m_listenerMutex);
        if (m_listener) m_listener(speech);
    }

private:
    std::mutex m_listenerMutex;
    Listener m_listener;
};

// The four voices in their order: speakman, speak2, speak3, speak4. A null entry is silent.
using Voices = std::array<Voice*, 4>;

}  // namespace nuvo

Q_DECLARE_METATYPE(nuvo::SpeechReport)
