#include "common/numbertext.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(NumberText, SignPositionAndNoLeadingZero) {
    EXPECT_EQ(numberText(7), " 7");
    EXPECT_EQ(numberText(0), " 0");
    EXPECT_EQ(numberText(-3), "-3");
    EXPECT_EQ(numberText(0.5), " .5");
    EXPECT_EQ(numberText(-0.5), "-.5");
    EXPECT_EQ(numberText(2.3046875), " 2.3046875");
    EXPECT_EQ(numberText(0.165), " .165");
    EXPECT_EQ(numberText(440), " 440");
    EXPECT_EQ(numberText(1.5), " 1.5");
    EXPECT_EQ(numberText(32767), " 32767");
}

TEST(NumberText, FixedTwoDecimals) {
    EXPECT_EQ(fixedTwoText(512 * 5.0 / 1024), "2.50");
    EXPECT_EQ(fixedTwoText(100 * 5.0 / 1024), ".49");
    EXPECT_EQ(fixedTwoText(1 * 5.0 / 1024), ".00");
    EXPECT_EQ(fixedTwoText(1024 * 5.0 / 1024), "5.00");
    EXPECT_EQ(fixedTwoText(0), ".00");
    EXPECT_EQ(fixedTwoText(0.125), ".13");  // halves away from zero
    EXPECT_EQ(fixedTwoText(-1.5), "-1.50");
}

TEST(NumberText, UpToTwoDecimalsAlwaysWithPoint) {
    EXPECT_EQ(upToTwoText(72), "72.");
    EXPECT_EQ(upToTwoText(-5), "-5.");
    EXPECT_EQ(upToTwoText(0), ".");
    EXPECT_EQ(upToTwoText(1.5), "1.5");
    EXPECT_EQ(upToTwoText(0.254), ".25");
    EXPECT_EQ(upToTwoText(1.23), "1.23");
    EXPECT_EQ(upToTwoText(0.001), ".");
}

TEST(NumberText, RoundHalfEven) {
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
}
