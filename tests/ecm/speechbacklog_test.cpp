#include "ecm/speechbacklog.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

QStringList waiting(SpeechBacklog& backlog) {
    QStringList texts;
    while (auto t = backlog.take()) texts.append(t->text);
    return texts;
}

}  // namespace

// The estimate starts at 100 ms a character, blanks not counted; the bound is 500 ms.
TEST(SpeechBacklog, OldestFragmentsGiveWayWholeTextsStay) {
    const struct {
        std::chrono::milliseconds ahead;
        QStringList wholes, fragments;
        QStringList dropped, left;
    } cases[] = {
        {0ms, {}, {"ca", "hi"}, {}, {"ca", "hi"}},                 // 400 ms: all stay
        {0ms, {}, {"ca", "hi", "lt"}, {"ca"}, {"hi", "lt"}},       // 600 ms: the oldest goes
        {300ms, {}, {"ca", "hi"}, {"ca"}, {"hi"}},                 // what is playing counts
        {900ms, {}, {"ca", "hi"}, {"ca"}, {"hi"}},                 // the newest always stays
        {0ms, {"explosion "}, {"ca"}, {}, {"explosion ", "ca"}},   // only fragments give way
    };
    for (const auto& c : cases) {
        SpeechBacklog backlog;
        quint64 id = 0;
        for (const QString& w : c.wholes) EXPECT_TRUE(backlog.add({++id, w, Delivery::Whole}, c.ahead).empty());
        QStringList dropped;
        for (const QString& f : c.fragments)
            for (const auto& d : backlog.add({++id, f, Delivery::Fragment}, c.ahead)) dropped.append(d.text);
        EXPECT_EQ(dropped, c.dropped) << c.fragments.join(',').toStdString();
        EXPECT_EQ(waiting(backlog), c.left) << c.fragments.join(',').toStdString();
    }
}

TEST(SpeechBacklog, EstimateFollowsTheVoice) {
    SpeechBacklog backlog;
    backlog.add({1, "ab ", Delivery::Fragment}, 0ms);
    EXPECT_EQ(backlog.estimate(), 200ms);
    for (int i = 0; i < 50; ++i) backlog.learn("abcd", 200ms);  // 50 ms a character
    EXPECT_NEAR(double(backlog.estimate().count()), 100, 2);
}
