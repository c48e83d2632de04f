#include "ecm/wordstage.h"

#include "ecm/currentlist.h"

namespace nuvo {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

constexpr int kWordPauseMs = 500;
constexpr int kShortGroupPauseMs = 600;
constexpr int kLongRunPauseMs = 1500;
constexpr int kShortGroupLength = 4;  // a group is complete beyond this many characters
constexpr int kLongRunLength = 40;    // ... or beyond this many without breaks

bool endsTheLine(const QString& word) {
    for (const QChar mark : {u'.', u'?', u'!', u','})
        if (word.contains(mark)) return true;
    return false;
}

}  // namespace

WordOutput wordStage(CurrentList& list, int v, const WordStageSettings& settings,
                     qint16& wordkind, QString& phbuf) {
    WordOutput out;
    QString word = list.select(v);
    wordkind = kPlainWord;
    out.logWord = word;
    if (endsTheLine(word)) {
        word += kLineEnd;
        wordkind = kLineEndingWord;
    }

    if (!settings.phonemes) {
        out.shown = word;
        if (settings.speech) {
            out.spoken = word;
            out.pauseMs = kWordPauseMs;
        }
        return out;
    }

    phbuf += word;
    const int limit = settings.phonemeBreaks ? kShortGroupLength : kLongRunLength;
    if (phbuf.size() <= limit && wordkind != kLineEndingWord) return out;
    phbuf += QLatin1Char(' ');
    out.shown = phbuf;
    if (settings.speech) {
        out.spoken = phbuf;
        out.pauseMs = settings.phonemeBreaks ? kShortGroupPauseMs : kLongRunPauseMs;
    }
    phbuf.clear();
    return out;
}

}  // namespace nuvo
