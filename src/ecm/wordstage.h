#pragma once

#include <QString>

namespace nuvo {

class CurrentList;

// Kind of the last entry the word stage produced.
enum WordKind : qint16 {
    kNoWordYet = 0,     // none since the last question
    kPlainWord = 1,
    kLineEndingWord = 2,  // punctuation: the entry ended the line
};

struct WordStageSettings {
    bool phonemes = false;      // "Phonemes On": entries gather into groups
    bool phonemeBreaks = true;  // "Phoneme Breaks On": short groups instead of long runs
    bool speech = false;        // "Speech On"
};

// What one pass of the word stage produced.
struct WordOutput {
    QString shown;    // appended to the main display and the screen text; may be empty
    QString spoken;   // said by voice 1; empty when nothing is to be said
    int pauseMs = 0;  // how long the engine rests after speaking
    QString logWord;  // the entry as the data log records it, without a line break
};

// Picks the entry at position `v` of `list` (or keeps the previous pick when `v` lies
// outside it), marks punctuation with a line break and, with phonemes, gathers entries in
// `phbuf` until a group is complete.
WordOutput wordStage(CurrentList& list, int v, const WordStageSettings& settings,
                     qint16& wordkind, QString& phbuf);

}  // namespace nuvo
