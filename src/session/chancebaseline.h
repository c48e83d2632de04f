#pragma once

#include <QtGlobal>

#include <vector>

namespace nuvo {

// The figures a reviewer compares with chance, for the words of one answer or a session.
struct WordFigures {
    double words = 0;
    double distinct = 0;    // different entries
    double longestRun = 0;  // of one entry in a row
    double beyondList = 0;  // values past the list's end (the entry before repeated)
};

struct ChanceBaseline {
    WordFigures observed;
    WordFigures uniform;   // mean when positions are drawn uniformly over the list
    WordFigures permuted;  // mean over seeded random orders of the session's own values
};

// `values`: the mode values in the order they came; `listSize` entries. A value outside
// the list repeats the entry picked before it (none before the first pick), as the word
// stage does. `draws` seeded draws give each expectation, so the same seed repeats them.
ChanceBaseline chanceBaseline(const std::vector<int>& values, int listSize, int draws = 1000,
                              quint64 seed = 1);

// The figures of one sequence of values, by the word stage's rule.
WordFigures wordFigures(const std::vector<int>& values, int listSize);

}  // namespace nuvo
