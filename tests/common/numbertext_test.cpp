#include "common/numbertext.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(NumberText, EachPatternWritesItsTextAndRounds) {
    // A sign position, no zero before the point, no trailing zeros.
    const std::pair<double, const char*> numbers[] = {
        {7, " 7"}, {0, " 0"}, {-3, "-3"}, {0.5, " .5"}, {-0.5, "-.5"}, {0.165, " .165"},
        {2.3046875, " 2.3046875"}, {440, " 440"}, {1.5, " 1.5"}, {32767, " 32767"}};
    // Two decimals, halves away from zero.
    const std::pair<double, const char*> fixedTwo[] = {
        {512 * 5.0 / 1024, "2.50"}, {100 * 5.0 / 1024, ".49"}, {5.0 / 1024, ".00"}, {5, "5.00"},
        {0, ".00"}, {0.125, ".13"}, {-1.5, "-1.50"}};
    // At most two decimals, always a point.
    const std::pair<double, const char*> upToTwo[] = {
        {72, "72."}, {-5, "-5."}, {0, "."}, {1.5, "1.5"}, {0.254, ".25"}, {1.23, "1.23"},
        {0.001, "."}};
    for (const auto& [value, text] : numbers) EXPECT_EQ(numberText(value), text) << value;
    for (const auto& [value, text] : fixedTwo) EXPECT_EQ(fixedTwoText(value), text) << value;
    for (const auto& [value, text] : upToTwo) EXPECT_EQ(upToTwoText(value), text) << value;
    // Whole numbers round halves to the even one.
    const std::pair<double, int> halves[] = {{1.5, 2}, {2.5, 2}, {-2.5, -2}, {2.4999, 2}, {3.5, 4}};
    for (const auto& [value, whole] : halves) EXPECT_EQ(roundHalfEven(value), whole) << value;
}
