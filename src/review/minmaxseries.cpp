#include "review/minmaxseries.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace nuvo {

MinMaxSeries::MinMaxSeries(std::shared_ptr<const std::vector<double>> keys, std::vector<float> values,
                           Keep keep)
    : m_keys(std::move(keys)), m_values(std::move(values)), m_keep(keep) {
    const auto n = quint32(m_values.size());
    std::vector<Group> first;
    first.reserve(n / kFirstGroupSize + 1);
    for (quint32 start = 0; start < n; start += kFirstGroupSize) {
        Group g{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), kNoGap, kNoGap,
                kNoGap};
        for (quint32 i = start; i < std::min(n, start + kFirstGroupSize); ++i) {
            const float v = m_values[i];
            if (std::isnan(v)) {
                g.gapAt = std::min(g.gapAt, i);
                continue;
            }
            if (v < g.least) g.least = v, g.leastAt = i;
            if (v > g.greatest) g.greatest = v, g.greatestAt = i;
        }
        first.push_back(g);
    }
    m_levels.push_back(std::move(first));
    // Each level from the one below, two groups into one, while it still has two.
    while (m_levels.back().size() > 1) {
        const std::vector<Group>& below = m_levels.back();
        std::vector<Group> level;
        level.reserve(below.size() / 2 + 1);
        for (std::size_t i = 0; i < below.size(); i += 2) {
            Group g = below[i];
            if (i + 1 < below.size()) {
                const Group& h = below[i + 1];
                if (h.leastAt != kNoGap && (g.leastAt == kNoGap || h.least < g.least)) g.least = h.least, g.leastAt = h.leastAt;
                if (h.greatestAt != kNoGap && (g.greatestAt == kNoGap || h.greatest > g.greatest))
                    g.greatest = h.greatest, g.greatestAt = h.greatestAt;
                g.gapAt = std::min(g.gapAt, h.gapAt);
            }
            level.push_back(g);
        }
        m_levels.push_back(std::move(level));
    }
}

void MinMaxSeries::addGroup(std::vector<Point>& out, const Group& g) const {
    const std::vector<double>& keys = *m_keys;
    std::array<quint32, 3> at{kNoGap, kNoGap, kNoGap};
    if (m_keep != Keep::Greatest) at[0] = g.leastAt;
    if (m_keep != Keep::Least) at[1] = g.greatestAt;
    at[2] = g.gapAt;
    std::sort(at.begin(), at.end());
    for (std::size_t i = 0; i < at.size(); ++i) {
        if (at[i] == kNoGap) break;
        if (i > 0 && at[i] == at[i - 1]) continue;
        const bool gap = at[i] == g.gapAt;
        out.push_back({keys[at[i]], gap ? std::numeric_limits<double>::quiet_NaN() : double(m_values[at[i]])});
    }
}

std::vector<MinMaxSeries::Point> MinMaxSeries::points(double fromKey, double toKey, int columns) const {
    const std::vector<double>& keys = *m_keys;
    const auto n = std::ptrdiff_t(m_values.size());
    // From the last point before the view to the first one after it.
    std::ptrdiff_t first = std::lower_bound(keys.begin(), keys.begin() + n, fromKey) - keys.begin() - 1;
    std::ptrdiff_t last = std::upper_bound(keys.begin(), keys.begin() + n, toKey) - keys.begin();
    first = std::max<std::ptrdiff_t>(first, 0);
    last = std::min(last, n - 1);
    std::vector<Point> out;
    if (last < first) return out;
    const std::ptrdiff_t count = last - first + 1;
    columns = std::max(columns, 1);
    if (count <= 2 * std::ptrdiff_t(columns)) {
        out.reserve(std::size_t(count));
        for (std::ptrdiff_t i = first; i <= last; ++i) out.push_back({keys[std::size_t(i)], double(m_values[std::size_t(i)])});
        return out;
    }
    // The smallest groups of which no more than `columns` cover the view.
    std::size_t level = 0;
    std::ptrdiff_t size = kFirstGroupSize;
    while (count / size > columns && level + 1 < m_levels.size()) {
        ++level;
        size *= 2;
    }
    const std::vector<Group>& groups = m_levels[level];
    out.reserve(std::size_t(3 * (count / size + 2)));
    for (std::ptrdiff_t g = first / size; g <= last / size; ++g) addGroup(out, groups[std::size_t(g)]);
    return out;
}

std::pair<double, double> MinMaxSeries::valueRange() const {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    if (m_levels.empty() || m_levels.back().empty() || m_levels.back().front().leastAt == kNoGap)
        return {none, none};
    const Group& all = m_levels.back().front();
    return {all.least, all.greatest};
}

}  // namespace nuvo
