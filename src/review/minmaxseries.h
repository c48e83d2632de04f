#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

namespace nuvo {

// A long series of values over ascending keys, reduced for drawing: for the keys in view
// and the pixel columns they get, the points that keep every column's least and greatest
// value and every gap (a NaN value), so a night of ticks draws as fast as a minute of them
// and still shows each spike. The reductions are prepared once, in levels of groups of
// 8, 16, 32, ... points.
class MinMaxSeries {
public:
    struct Point {
        double key;
        double value;
        bool operator==(const Point&) const = default;
    };
    // What a group becomes: its least and greatest value in the order they came, or only
    // the greatest or the least (the upper and the lower edge of a band).
    enum class Keep { Both, Greatest, Least };

    // `keys` ascending, shared between the series of one session; must outlive this.
    MinMaxSeries(std::shared_ptr<const std::vector<double>> keys, std::vector<float> values,
                 Keep keep = Keep::Both);

    // The points between `fromKey` and `toKey` and just beyond each end, so the line runs to
    // the edges: all of them when there are at most two per column, otherwise the least and
    // the greatest (and the first gap) of each group, with no more groups than columns.
    std::vector<Point> points(double fromKey, double toKey, int columns) const;

    // The least and the greatest value of the whole series; NaN for both when it has none.
    std::pair<double, double> valueRange() const;

    std::size_t size() const { return m_values.size(); }

private:
    struct Group {
        float least, greatest;
        quint32 leastAt, greatestAt;  // the points' indexes
        quint32 gapAt;                // the first NaN's index; kNoGap when none
    };
    static constexpr quint32 kNoGap = 0xFFFFFFFF;
    static constexpr int kFirstGroupSize = 8;

    void addGroup(std::vector<Point>& out, const Group& g) const;

    std::shared_ptr<const std::vector<double>> m_keys;
    std::vector<float> m_values;
    Keep m_keep;
    std::vector<std::vector<Group>> m_levels;  // level i: groups of 8 << i points
};

}  // namespace nuvo
