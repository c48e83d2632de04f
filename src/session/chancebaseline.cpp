#include "session/chancebaseline.h"

#include <algorithm>
#include <random>
#include <set>

namespace nuvo {

WordFigures wordFigures(const std::vector<int>& values, int listSize) {
    WordFigures f;
    std::set<int> seen;
    int picked = -1, run = 0, previous = -2;
    for (const int v : values) {
        ++f.words;
        if (v >= 0 && v < listSize)
            picked = v;
        else
            ++f.beyondList;
        if (picked >= 0) seen.insert(picked);
        run = picked == previous ? run + 1 : 1;
        previous = picked;
        f.longestRun = std::max<double>(f.longestRun, run);
    }
    f.distinct = double(seen.size());
    return f;
}

ChanceBaseline chanceBaseline(const std::vector<int>& values, int listSize, int draws, quint64 seed) {
    ChanceBaseline b;
    b.observed = wordFigures(values, listSize);
    if (values.empty() || listSize <= 0 || draws <= 0) return b;
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> position(0, listSize - 1);
    const auto add = [](WordFigures& sum, const WordFigures& f) {
        sum.words += f.words;
        sum.distinct += f.distinct;
        sum.longestRun += f.longestRun;
        sum.beyondList += f.beyondList;
    };
    std::vector<int> drawn(values.size());
    std::vector<int> order = values;
    for (int d = 0; d < draws; ++d) {
        for (int& v : drawn) v = position(random);
        add(b.uniform, wordFigures(drawn, listSize));
        std::shuffle(order.begin(), order.end(), random);
        add(b.permuted, wordFigures(order, listSize));
    }
    for (WordFigures* f : {&b.uniform, &b.permuted}) {
        f->words /= draws;
        f->distinct /= draws;
        f->longestRun /= draws;
        f->beyondList /= draws;
    }
    return b;
}

}  // namespace nuvo
