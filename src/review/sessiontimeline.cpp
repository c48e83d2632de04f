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

QString TimelineControl::text() const {
    if (!control) return QStringLiteral("blind: sealed");
    if (!blind) return QStringLiteral("control run");
    return *control ? QStringLiteral("blind: control run") : QStringLiteral("blind: the unit");
}

qint64 SessionTimeline::lastMs() const {
    if (endMs) return *endMs;
    qint64 last = startMs;
    if (!ticks.empty()) last = std::max(last, ticks.back().timeMs);
    if (!words.empty()) last = std::max(last, words.back().word.timeMs);
    for (const TimelineQuestion& q : questions)
        last = std::max(last, q.endMs.value_or(q.question.startMs));
    for (const CaptureRow& c : captures) last = std::max(last, c.stopMs.value_or(c.startMs));
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

const TimelineControl* SessionTimeline::controlOf(qint64 questionNo) const {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&](const TimelineControl& c) { return c.questionNo == questionNo; });
    return found == controls.end() ? nullptr : &*found;
}

qint64 SessionTimeline::captureEndMs(const CaptureRow& capture) const {
    return capture.stopMs.value_or(lastMs());
}

const CaptureRow* SessionTimeline::captureAt(qint64 ms, const QString& kind) const {
    for (auto c = captures.rbegin(); c != captures.rend(); ++c)
        if (c->kind == kind && c->startMs <= ms && ms <= captureEndMs(*c)) return &*c;
    return nullptr;
}

}  // namespace nuvo
