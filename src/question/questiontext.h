#pragma once

#include <QString>

#include <optional>

namespace nuvo {

// The answer time of the answer-time choice `index` (0 to 6) in milliseconds; nothing for
// index 7, " Constant", which has no limit.
std::optional<int> answerTimeMs(int index);
constexpr int kConstantAnswerIndex = 7;
constexpr int kDefaultAnswerIndex = 1;  // "5 seconds"

// What the main display and the screen text receive for a typed question `text` (its
// line break included): "User: " and the text, on a line of its own in constant mode,
// where words may be flowing.
QString questionEcho(const QString& text, bool constantMode);

// What the line under the answer times says: that the program listens and for how long
// (`secondsLeft`, or nothing in constant mode) while `listening`, otherwise how to start.
QString answerStatus(bool listening, std::optional<int> secondsLeft);

// What closes an answer, by the kind of the last word: a line break after a plain word,
// "** No response** " when no word came, nothing when the last word ended the line.
QString answerEnding(qint16 wordkind);

}  // namespace nuvo
