#include "review/sessiontimeline.h"

#include <algorithm>

namespace nuvo {

namespace {

// The last element whose time is at or before `ms`.
template <typename T, typename Time>
const T* lastAtOrBefore(const std::vector<T>& items, qint64 ms, Time time) {
    const auto after = std::upper_bound(items.begin(), items.end(), ms,
                                        [&](qint64 t, const T& item) { return t < time(item); });
    return after == items.begin() ? nullptr : &*std::prev(after);
}

}  // namespace

qint64 SessionTimeline::lastMs() const {
    if (endMs) return *endMs;
    qint64 last = startMs;
    if (!ticks.empty()) last = std::max(last, ticks.back().timeMs);
    if (!words.empty()) last = std::max(last, words.back().word.timeMs);
    for (const TimelineQuestion& q : questions)
        last = std::max(last, q.endMs.value_or(q.question.startMs));
    return last;
}

const TimelineTick* SessionTimeline::tickAt(qint64 ms) const {
    return lastAtOrBefore(ticks, ms, [](const TimelineTick& t) { return t.timeMs; });
}

const TimelineWord* SessionTimeline::wordAt(qint64 ms) const {
    return lastAtOrBefore(words, ms, [](const TimelineWord& w) { return w.word.timeMs; });
}

const TimelineQuestion* SessionTimeline::questionAt(qint64 ms) const {
    const TimelineQuestion* q = lastAtOrBefore(
        questions, ms, [](const TimelineQuestion& q) { return q.question.startMs; });
    if (!q || ms > q->endMs.value_or(lastMs())) return nullptr;
    return q;
}

}  // namespace nuvo
