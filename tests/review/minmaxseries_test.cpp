#include "review/minmaxseries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace nuvo;

namespace {

using Point = MinMaxSeries::Point;
constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

std::shared_ptr<std::vector<double>> keysUpTo(int n) {
    auto keys = std::make_shared<std::vector<double>>();
    for (int i = 0; i < n; ++i) keys->push_back(i);
    return keys;
}

std::vector<float> flat(int n, float value = 1) { return std::vector<float>(std::size_t(n), value); }

}  // namespace

TEST(MinMaxSeries, FewPointsComeWholeWithTheirNeighboursBeyondTheView) {
    const MinMaxSeries series(keysUpTo(10), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    const struct {
        double from, to;
        std::vector<Point> expected;
    } cases[] = {
        {2.5, 5.5, {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}},
        {3, 5, {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}},  // keys on the edges are in view
        {-5, 1, {{0, 0}, {1, 1}, {2, 2}}},
        {8.2, 20, {{8, 8}, {9, 9}}},
        {20, 30, {{9, 9}}},  // past the end: the last one, so the line reaches the view
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        EXPECT_EQ(series.points(c.from, c.to, 100), c.expected);
    }
}

TEST(MinMaxSeries, ManyPointsKeepEverySpikeDipAndGapAtAFewPointsPerColumn) {
    constexpr int n = 1'000'000;
    std::vector<float> values = flat(n);
    values[123'457] = 9;   // one tick's spike
    values[777'001] = -4;  // and dip
    values[500'000] = kGap;
    const MinMaxSeries series(keysUpTo(n), values);
    const std::vector<Point> points = series.points(0, n, 800);
    EXPECT_LE(points.size(), 3u * 800);
    int gaps = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(points[i - 1].key, points[i].key);
        }
        if (std::isnan(points[i].value)) {
            ++gaps;
            EXPECT_EQ(points[i].key, 500'000);
        }
    }
    EXPECT_EQ(gaps, 1);
    EXPECT_NE(std::find(points.begin(), points.end(), Point{123'457, 9}), points.end());
    EXPECT_NE(std::find(points.begin(), points.end(), Point{777'001, -4}), points.end());
    // Zoomed in on the spike's column, its neighbours come back.
    const std::vector<Point> near = series.points(123'450, 123'460, 800);
    EXPECT_EQ(near.front(), (Point{123'449, 1}));
    EXPECT_EQ(near.size(), 13u);
}

TEST(MinMaxSeries, ABandsEdgesKeepOnlyTheirOuterValue) {
    std::vector<float> values;
    for (int i = 0; i < 4096; ++i) values.push_back(float(i % 16));  // 0..15 over and over
    const auto keys = keysUpTo(4096);
    const struct {
        MinMaxSeries::Keep keep;
        float only;
    } cases[] = {{MinMaxSeries::Keep::Greatest, 15}, {MinMaxSeries::Keep::Least, 0}};
    for (const auto& c : cases) {
        const std::vector<Point> points = MinMaxSeries(keys, values, c.keep).points(0, 4096, 64);
        ASSERT_FALSE(points.empty());
        for (const Point& p : points) EXPECT_EQ(p.value, c.only);
    }
    const std::vector<Point> both = MinMaxSeries(keys, values).points(0, 4096, 64);
    EXPECT_EQ(std::count_if(both.begin(), both.end(), [](const Point& p) { return p.value == 0; }),
              std::count_if(both.begin(), both.end(), [](const Point& p) { return p.value == 15; }));
}

TEST(MinMaxSeries, TheValueRangeLeavesGapsOut) {
    EXPECT_EQ(MinMaxSeries(keysUpTo(5), {3, kGap, -2, 7, kGap}).valueRange(), std::make_pair(-2.0, 7.0));
    const auto none = MinMaxSeries(keysUpTo(2), {kGap, kGap}).valueRange();
    EXPECT_TRUE(std::isnan(none.first) && std::isnan(none.second));
    EXPECT_TRUE(MinMaxSeries(keysUpTo(0), {}).points(0, 10, 10).empty());
}
