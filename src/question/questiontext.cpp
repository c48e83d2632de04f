#include "question/questiontext.h"

#include "ecm/wordstage.h"

#include <array>

namespace nuvo {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
constexpr std::array<int, 7> kAnswerTimesMs{3000, 5000, 10000, 15000, 25000, 45000, 60000};

}  // namespace

std::optional<int> answerTimeMs(int index) {
    if (index < 0 || index >= int(kAnswerTimesMs.size())) return std::nullopt;
    return kAnswerTimesMs[std::size_t(index)];
}

QString questionEcho(const QString& text, bool constantMode) {
    return (constantMode ? kLineEnd : QString()) + QStringLiteral("User: ") + text;
}

QString answerEnding(qint16 wordkind) {
    switch (wordkind) {
        case kNoWordYet:
            return QStringLiteral("** No response** ") + kLineEnd;
        case kPlainWord:
            return kLineEnd;
        default:
            return {};
    }
}

QString answerStatus(bool listening, std::optional<int> secondsLeft) {
    if (!listening) return QStringLiteral("Ask a question or pick ECM OFF to measure");
    if (!secondsLeft) return QStringLiteral("Listening: Constant");
    return QStringLiteral("Listening: %1 s left").arg(*secondsLeft);
}

}  // namespace nuvo
