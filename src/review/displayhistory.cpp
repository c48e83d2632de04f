#include "review/displayhistory.h"

#include "ecm/currentlist.h"
#include "ecm/wordstage.h"
#include "question/questiontext.h"
#include "records/logformat.h"

#include <algorithm>

namespace nuvo {

namespace {

// At one time a question opens before its words come, and closes after them.
enum class Step { QuestionOpens, Word, AnswerCloses, Picture };

struct Event {
    qint64 timeMs;
    Step step;
    std::size_t index;
};

// What the word stage showed for `entry` (phoneme groups aside), and the kind it left.
QString shownWord(const QString& entry, qint16& wordkind) {
    CurrentList one;
    one.replace({entry});
    QString phbuf;
    return wordStage(one, 0, {}, wordkind, phbuf).shown;
}

}  // namespace

DisplayHistory::DisplayHistory(const SessionTimeline& timeline) {
    std::vector<Event> events;
    for (std::size_t i = 0; i < timeline.questions.size(); ++i) {
        const TimelineQuestion& q = timeline.questions[i];
        events.push_back({q.question.startMs, Step::QuestionOpens, i});
        // Only an answer time that ran out writes its ending; constant mode writes none.
        if (q.question.answerMs && q.endMs) events.push_back({*q.endMs, Step::AnswerCloses, i});
    }
    for (std::size_t i = 0; i < timeline.words.size(); ++i)
        events.push_back({timeline.words[i].word.timeMs, Step::Word, i});
    for (std::size_t i = 0; i < timeline.pictures.size(); ++i)
        events.push_back({timeline.pictures[i].timeMs, Step::Picture, i});
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.timeMs != b.timeMs ? a.timeMs < b.timeMs : a.step < b.step;
    });

    qint16 wordkind = kNoWordYet;
    for (const Event& e : events) {
        switch (e.step) {
            case Step::QuestionOpens: {
                const QuestionRow& q = timeline.questions[e.index].question;
                append(e.timeMs, questionEcho(q.text, !q.answerMs));
                if (q.answerMs) wordkind = kNoWordYet;
                break;
            }
            case Step::Word:
                append(e.timeMs, shownWord(timeline.words[e.index].word.entry, wordkind));
                break;
            case Step::AnswerCloses:
                append(e.timeMs, answerEnding(wordkind));
                break;
            case Step::Picture:
                // A full display is saved as a picture and emptied; a picture the user asked
                // for leaves the text as it is.
                if (displayLineCount(m_segments.back()) >= kDisplayLinesPerPicture) {
                    m_segments.append(QString());
                    m_changes.push_back({e.timeMs, int(m_segments.size()) - 1, 0});
                }
                break;
        }
    }
}

void DisplayHistory::append(qint64 ms, const QString& text) {
    if (text.isEmpty()) return;
    m_segments.back() += text;
    m_changes.push_back({ms, int(m_segments.size()) - 1, int(m_segments.back().size())});
}

QString DisplayHistory::at(qint64 ms) const {
    const auto after = std::upper_bound(m_changes.begin(), m_changes.end(), ms,
                                        [](qint64 t, const Change& c) { return t < c.timeMs; });
    if (after == m_changes.begin()) return {};
    const Change& c = *std::prev(after);
    return m_segments[c.segment].left(c.length);
}

}  // namespace nuvo
