#include "review/displayhistory.h"

#include <gtest/gtest.h>

using namespace nuvo;

namespace {

TimelineQuestion question(qint64 no, const QString& text, std::optional<int> answerMs, qint64 startMs,
                          std::optional<qint64> endMs) {
    TimelineQuestion q;
    q.question = {no, text, answerMs, startMs};
    q.endMs = endMs;
    return q;
}

TimelineWord word(qint64 ms, const QString& entry) {
    TimelineWord w;
    w.word.timeMs = ms;
    w.word.entry = entry;
    return w;
}

}  // namespace

TEST(DisplayHistory, RebuildsTheMainDisplayAsItStoodAtEachMoment) {
    SessionTimeline t;
    t.questions = {question(1, "Is anyone here\r\n", 10'000, 1000, 11'000),
                   question(2, "Who\r\n", 5000, 20'000, 25'000),   // no word came
                   question(3, "Say it\r\n", {}, 30'000, {})};      // constant mode, still open
    t.words = {word(2000, "matter "), word(3000, "."), word(4000, "see "), word(31'000, "kid ")};
    const struct {
        qint64 ms;
        QString text;
    } cases[] = {
        {999, ""},
        {1000, "User: Is anyone here\r\n"},
        {2500, "User: Is anyone here\r\nmatter "},
        {3000, "User: Is anyone here\r\nmatter .\r\n"},  // a mark ends the line
        {10'999, "User: Is anyone here\r\nmatter .\r\nsee "},
        {11'000, "User: Is anyone here\r\nmatter .\r\nsee \r\n"},  // the answer time's end
        {25'000, "User: Is anyone here\r\nmatter .\r\nsee \r\nUser: Who\r\n** No response** \r\n"},
        {31'000, "User: Is anyone here\r\nmatter .\r\nsee \r\nUser: Who\r\n** No response** \r\n"
                 "\r\nUser: Say it\r\nkid "},
    };
    const DisplayHistory history(t);
    for (const auto& c : cases) EXPECT_EQ(history.at(c.ms), c.text) << c.ms;
}

TEST(DisplayHistory, AnAnswerEndingInAMarkAddsNoLineBreak) {
    SessionTimeline t;
    t.questions = {question(1, "Q\r\n", 3000, 0, 3000)};
    t.words = {word(1000, "? ")};
    EXPECT_EQ(DisplayHistory(t).at(5000), "User: Q\r\n? \r\n");
}

TEST(DisplayHistory, AFullDisplaySavedAsAPictureStartsAgainEmpty) {
    SessionTimeline t;
    t.questions = {question(1, "Q\r\n", 60'000, 0, 60'000)};
    for (int i = 1; i <= 18; ++i) t.words.push_back(word(i * 100, "."));  // a line each
    t.words.push_back(word(2000, "see "));
    t.pictures = {{1750, "asked for.jpg", true},  // "Capture Main Display" on 19 lines
                  {1850, "full.jpg", true}};      // the 18th word made it 20
    const DisplayHistory history(t);
    EXPECT_EQ(history.at(1799).count("\r\n"), 18);
    EXPECT_EQ(history.at(1800).count("\r\n"), 19);
    EXPECT_EQ(history.at(1850), "");
    EXPECT_EQ(history.at(2000), "see ");
}
