#include "common/workstring.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(WorkString, NumstringKeepsDigitsAndPoints) {
    const std::pair<const char*, const char*> cases[] = {
        {"3.2 V", "3.2"}, {"1,5", "15"}, {"-3 mG", "3"}, {"", ""}, {"abc", ""}, {"1.2.3", "1.2.3"},
        {"٣4", "4"},  // only ASCII digits count
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(numstring(QString::fromUtf8(in)), out) << in;
}

TEST(WorkString, SwapstringMakesAFileNameStamp) {
    const std::pair<const char*, const char*> cases[] = {
        {"6/15/2008 3:04:05 PM", "6_15_2008 3_04_05 PM"},
        {"15.06.2008 15:04:05", "15_06_2008 15_04_05"},
        {"Café\t1", "Caf__1"},
        {"..\\..\\x/../y", "______x____y"},  // never a path
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(swapstring(QString::fromUtf8(in)), out) << in;
}
