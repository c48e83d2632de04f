#include "ecm/qtvoices.h"

#include <QDateTime>
#include <QLocale>
#include <QMetaObject>
#include <QStringList>
#include <QTextToSpeech>
#include <QTimer>
#include <QVoice>

#include <algorithm>
#include <atomic>
#include <deque>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

namespace nuvo {

namespace {

const QString kPreferredEngine = QStringLiteral("flite");
// The flite voices the four voices take, in their order, when installed.
const QStringList kPreferredVoices = {QStringLiteral("slt"), QStringLiteral("rms"),
                                      QStringLiteral("awb"), QStringLiteral("kal")};

// With fewer engine voices than four, a voice used again is pitched and paced differently,
// so the four still sound apart. Index: how often the engine voice was used before.
struct Variation {
    double pitch;
    double rate;
};
constexpr std::array<Variation, 4> kVariations{{{0.0, 0.0}, {-0.5, 0.0}, {0.5, 0.0}, {0.3, 0.3}}};

QList<QVoice> orderedVoices(const QList<QVoice>& available) {
    QList<QVoice> ordered;
    for (const QString& name : kPreferredVoices) {
        for (const QVoice& voice : available) {
            if (voice.name() == name) ordered.append(voice);
        }
    }
    for (const QVoice& voice : available) {
        if (!ordered.contains(voice)) ordered.append(voice);
    }
    return ordered;
}

// The words are English; an engine that follows the system language may list others first.
void preferEnglish(QTextToSpeech* speech) {
    if (speech->locale().language() == QLocale::English) return;
    const QList<QLocale> locales = speech->availableLocales();
    const auto english = std::find_if(locales.begin(), locales.end(), [](const QLocale& locale) {
        return locale.language() == QLocale::English;
    });
    if (english != locales.end()) speech->setLocale(*english);
}

// Flite as packaged with Qt 6.4 is fragile in two ways that a voice works around:
// - Its sound output crashes when an utterance is cut off while it still plays, so a newer
//   text waits until the engine reports the current one done (or until a bound, as the
//   engine does not report the end of every text).
// - It ends about a third of short texts with "Audio streaming error" (depending on the
//   exact length of the synthesised sound) and must be left to wind down before the next
//   text. So after an error a voice waits a moment, then speaks the same text again at a
//   slightly different rate, which changes that length.
constexpr std::array<double, 4> kRetryRates{0.0, 0.01, 0.02, -0.01};
constexpr std::chrono::milliseconds kSettleTime{50};
std::chrono::milliseconds utteranceBound(const QString& text) {
    return std::chrono::milliseconds{1000 + 100 * text.size()};
}
// This many texts lost in a row, each after all its retries, mean the sound itself is gone.
constexpr int kLostTextsReported = 3;

}  // namespace

class QtVoices::SpeechVoice : public Voice {
public:
    // `lost` hears the engine's reason once sound seems gone for good.
    SpeechVoice(int index, QTextToSpeech* speech, double rate,
                std::function<void(const QString&)> lost)
        : m_index(index), m_speech(speech), m_rate(rate), m_lost(std::move(lost)) {
        m_bound.setSingleShot(true);
        QObject::connect(&m_bound, &QTimer::timeout, m_speech, [this] { finished(); });
        QObject::connect(
            m_speech, &QTextToSpeech::errorOccurred, m_speech,
            [this](QTextToSpeech::ErrorReason, const QString& reason) { failed(reason); });
        QObject::connect(m_speech, &QTextToSpeech::stateChanged, m_speech,
                         [this](QTextToSpeech::State state) {
                             if (state == QTextToSpeech::Speaking) {
                                 if (m_startedMs == 0)
                                     m_startedMs = QDateTime::currentMSecsSinceEpoch();
                             } else if (state == QTextToSpeech::Ready && m_startedMs != 0) {
                                 m_lostTexts = 0;
                                 finished();
                             }
                         });
    }

    ~SpeechVoice() override { QObject::disconnect(m_speech, nullptr, nullptr, nullptr); }

    quint64 say(const QString& text, Delivery delivery) override {
        const quint64 id = ++m_lastId;
        // Queued even within the speech thread, so the caller never runs the engine itself.
        QMetaObject::invokeMethod(
            m_speech,
            [this, id, text, delivery] {
                m_waiting.push_back({id, text, delivery});
                dropOldFragments();
                speakNext();
            },
            Qt::QueuedConnection);
        return id;
    }

private:
    struct Waiting {
        quint64 id;
        QString text;
        Delivery delivery;
    };

    // This engine tells nothing about the length of a text before it is spoken, so the
    // backlog of fragments is bounded by their number.
    void dropOldFragments() {
        const auto isFragment = [](const Waiting& w) { return w.delivery == Delivery::Fragment; };
        while (std::count_if(m_waiting.begin(), m_waiting.end(), isFragment) > kWaitingFragments) {
            const auto oldest = std::find_if(m_waiting.begin(), m_waiting.end(), isFragment);
            reportEnd(*oldest, SpeechReport::Outcome::Dropped);
            m_waiting.erase(oldest);
        }
    }

    void speakNext() {
        if (m_current || m_waiting.empty()) return;
        m_current = m_waiting.front();
        m_waiting.pop_front();
        m_startedMs = 0;
        m_speech->setRate(std::clamp(m_rate + kRetryRates[m_attempt], -1.0, 1.0));
        m_speech->say(m_current->text);
        m_bound.start(utteranceBound(m_current->text));
    }

    void reportEnd(const Waiting& text, SpeechReport::Outcome outcome, const QString& problem = {}) {
        SpeechReport r;
        r.id = text.id;
        r.voice = m_index;
        r.text = text.text;
        r.outcome = outcome;
        r.problem = problem;
        if (outcome == SpeechReport::Outcome::Spoken) {
            r.startedMs = m_startedMs;
            r.finishedMs = QDateTime::currentMSecsSinceEpoch();
        }
        report(r);
    }

    void finished() {
        m_bound.stop();
        if (m_current) {
            if (m_startedMs != 0)
                reportEnd(*m_current, SpeechReport::Outcome::Spoken);
            else
                reportEnd(*m_current, SpeechReport::Outcome::Failed,
                          QStringLiteral("the speech engine never started the text"));
        }
        m_current.reset();
        m_attempt = 0;
        speakNext();
    }

    void failed(const QString& reason) {
        if (!m_bound.isActive() || !m_current) return;  // one text can raise several errors
        m_bound.stop();
        Waiting text = *std::exchange(m_current, std::nullopt);
        if (m_attempt + 1 < kRetryRates.size()) {
            m_waiting.push_front(text);
            ++m_attempt;
        } else {
            reportEnd(text, SpeechReport::Outcome::Failed, reason);
            m_attempt = 0;
            if (++m_lostTexts == kLostTextsReported) m_lost(reason);
        }
        QTimer::singleShot(kSettleTime, m_speech, [this] { finished(); });
    }

    static constexpr qsizetype kWaitingFragments = 2;

    int m_index;
    QTextToSpeech* m_speech;
    double m_rate;
    std::function<void(const QString&)> m_lost;
    std::atomic<quint64> m_lastId{0};
    // All below is touched only in the speech thread.
    QTimer m_bound;                     // runs while the engine may still be speaking m_current
    std::deque<Waiting> m_waiting;      // wait for the engine, oldest first
    std::optional<Waiting> m_current;   // last given to the engine, not finished
    qint64 m_startedMs = 0;             // the engine reported m_current started
    std::size_t m_attempt = 0;          // of m_current
    int m_lostTexts = 0;
};

QtVoices::QtVoices(QObject* parent) : QObject(parent) {
    const bool preferred = QTextToSpeech::availableEngines().contains(kPreferredEngine);
    std::array<QTextToSpeech*, 4> speech{};
    for (QTextToSpeech*& each : speech)
        each = preferred ? new QTextToSpeech(kPreferredEngine, this) : new QTextToSpeech(this);

    // An engine that could not load is in the error state; one without a sound output
    // loads but says why.
    QString problem;
    if (speech[0]->state() == QTextToSpeech::Error)
        problem = tr("no text-to-speech engine could be loaded");
    else
        problem = speech[0]->errorString();
    if (!problem.isEmpty()) {
        // Queued, so that whoever connects right after construction still hears it.
        QMetaObject::invokeMethod(
            this, [this, problem] { reportUnavailable(problem); }, Qt::QueuedConnection);
    }

    for (QTextToSpeech* each : speech) preferEnglish(each);
    const QList<QVoice> available = orderedVoices(speech[0]->availableVoices());
    const qsizetype count = std::max<qsizetype>(available.size(), 1);
    for (std::size_t i = 0; i < speech.size(); ++i) {
        const qsizetype index = qsizetype(i);
        if (!available.isEmpty()) speech[i]->setVoice(available[index % count]);
        const Variation& variation = kVariations[index / count];
        speech[i]->setPitch(variation.pitch);
        m_voices[i] = std::make_unique<SpeechVoice>(
            int(i), speech[i], variation.rate,
            [this](const QString& reason) { reportUnavailable(reason); });
    }
}

QtVoices::~QtVoices() = default;

Voices QtVoices::voices() const {
    Voices voices{};
    std::transform(m_voices.begin(), m_voices.end(), voices.begin(),
                   [](const std::unique_ptr<SpeechVoice>& voice) { return voice.get(); });
    return voices;
}

void QtVoices::reportUnavailable(const QString& reason) {
    if (m_reported) return;
    m_reported = true;
    QString text = reason.trimmed();
    if (text.endsWith(u'.')) text.chop(1);
    emit unavailable(tr("Speech is not available: %1. Words are still shown.").arg(text));
}

}  // namespace nuvo
