#include "ecm/speechbacklog.h"

#include <algorithm>
#include <numeric>

namespace nuvo {

namespace {

// Blanks and line breaks take no time to say; a text of nothing else still takes a little.
qsizetype spokenCharacters(const QString& text) {
    const qsizetype blanks = std::count_if(text.begin(), text.end(),
                                           [](QChar c) { return c.isSpace(); });
    return std::max<qsizetype>(1, text.size() - blanks);
}

// How quickly the estimate follows the voice's recent texts.
constexpr double kLearning = 0.2;

}  // namespace

std::vector<SpeechBacklog::Text> SpeechBacklog::add(Text text, std::chrono::milliseconds ahead) {
    const bool fragment = text.delivery == Delivery::Fragment;
    m_texts.push_back(std::move(text));
    std::vector<Text> dropped;
    if (!fragment) return dropped;
    while (ahead + estimate() > kBound) {
        // The newest text, the one just added, is never a candidate.
        const auto oldest = std::find_if(m_texts.begin(), m_texts.end() - 1, [](const Text& t) {
            return t.delivery == Delivery::Fragment;
        });
        if (oldest == m_texts.end() - 1) break;
        dropped.push_back(std::move(*oldest));
        m_texts.erase(oldest);
    }
    return dropped;
}

std::optional<SpeechBacklog::Text> SpeechBacklog::take() {
    if (m_texts.empty()) return std::nullopt;
    Text text = std::move(m_texts.front());
    m_texts.pop_front();
    return text;
}

void SpeechBacklog::learn(const QString& text, std::chrono::milliseconds duration) {
    const double perCharacter = double(duration.count()) / double(spokenCharacters(text));
    m_msPerCharacter += kLearning * (perCharacter - m_msPerCharacter);
}

double SpeechBacklog::lengthOf(const QString& text) const {
    return m_msPerCharacter * double(spokenCharacters(text));
}

std::chrono::milliseconds SpeechBacklog::estimate() const {
    const double ms = std::accumulate(m_texts.begin(), m_texts.end(), 0.0,
                                      [this](double sum, const Text& t) { return sum + lengthOf(t.text); });
    return std::chrono::milliseconds(qint64(ms));
}

}  // namespace nuvo
