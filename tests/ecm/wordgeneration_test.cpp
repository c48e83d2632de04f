#include "common/programrandom.h"
#include "device/link.h"
#include "device/scriptedtransport.h"
#include "ecm/currentlist.h"
#include "ecm/phoneme.h"
#include "ecm/vocabulary.h"
#include "ecm/wordstage.h"
#include "settings/filebytes.h"  // readable QString failures

#include <gtest/gtest.h>

#include <algorithm>

using namespace nuvo;

namespace {

struct WordCase {
    const char* what;
    std::vector<int> positions;  // fed one tick after another; the last one is checked
    WordStageSettings settings;
    const char* shown;
    const char* spoken;
    int pauseMs;
    qint16 wordkind;
    const char* logWord;
    const char* phbufAfter;
};

}  // namespace

TEST(WordStage, PicksShowsSpeaksAndGroups) {
    const WordStageSettings words{false, true, false};
    const WordStageSettings spokenWords{false, true, true};
    const WordStageSettings groups{true, true, true};
    const WordStageSettings runs{true, false, true};
    const WordCase cases[] = {
        {"first entry", {0}, words, "matter ", "", 0, kPlainWord, "matter ", ""},
        {"full stop ends the line", {13}, words, ".\r\n", "", 0, kLineEndingWord, ".", ""},
        {"spoken word rests", {0}, spokenWords, "matter ", "matter ", 500, kPlainWord, "matter ", ""},
        {"spoken punctuation", {15}, spokenWords, "? \r\n", "? \r\n", 500, kLineEndingWord, "? ", ""},
        {"beyond the list keeps the pick", {1, 5000}, words, "chance ", "", 0, kPlainWord, "chance ", ""},
        {"negative keeps the pick", {2, -1}, words, "see ", "", 0, kPlainWord, "see ", ""},
        {"nothing picked yet", {-1}, words, "", "", 0, kPlainWord, "", ""},
        // Phoneme positions 1, 2, 3 hold "ca", "hi", "lt"; 17 holds ".".
        {"short group waits", {1, 2}, groups, "", "", 0, kPlainWord, "hi", "cahi"},
        {"group beyond four", {1, 2, 3}, groups, "cahilt ", "cahilt ", 600, kPlainWord, "lt", ""},
        {"punctuation ends a group", {1, 17}, groups, "ca.\r\n ", "ca.\r\n ", 600, kLineEndingWord, ".", ""},
        {"a comma ends a group too", {6}, groups, ",\r\n ", ",\r\n ", 600, kLineEndingWord, ",", ""},
        {"run without breaks waits", {1, 2, 3}, runs, "", "", 0, kPlainWord, "lt", "cahilt"},
        {"punctuation ends a run", {1, 17}, runs, "ca.\r\n ", "ca.\r\n ", 1500, kLineEndingWord, ".", ""},
    };
    for (const WordCase& c : cases) {
        CurrentList list;
        c.settings.phonemes ? list.loadPhonemes() : list.loadDefaultWords();
        qint16 wordkind = kNoWordYet;
        QString phbuf;
        WordOutput out;
        for (int v : c.positions) out = wordStage(list, v, c.settings, wordkind, phbuf);
        EXPECT_EQ(std::tuple(out.shown, out.spoken, out.pauseMs, wordkind, out.logWord, phbuf),
                  std::tuple(QString(c.shown), QString(c.spoken), c.pauseMs, c.wordkind,
                             QString(c.logWord), QString(c.phbufAfter)))
            << c.what;
    }
}

TEST(WordStage, LongRunFlushesBeyondFortyCharacters) {
    CurrentList list;
    list.loadPhonemes();
    qint16 wordkind = 0;
    QString phbuf;
    const WordStageSettings runs{true, false, false};
    for (int i = 0; i < 20; ++i)  // 20 × "ca": 40 characters, not yet beyond
        EXPECT_TRUE(wordStage(list, 1, runs, wordkind, phbuf).shown.isEmpty()) << i;
    const WordOutput out = wordStage(list, 1, runs, wordkind, phbuf);
    EXPECT_EQ(out.shown, QString("ca").repeated(21) + " ");
    EXPECT_TRUE(out.spoken.isEmpty());  // speech off: shown, not said, no rest
    EXPECT_EQ(out.pauseMs, 0);
}

TEST(CurrentList, PhonemeListRepeatsTheBlockToCoverEveryVoltage) {
    CurrentList list;
    list.loadPhonemes();
    ASSERT_EQ(list.size(), 2160);
    for (int p : {0, 269, 270, 1000, 2159})
        EXPECT_EQ(list.entries()[p], phonemeBlock()[p % 270]) << p;
    list.loadDefaultWords();  // a switch replaces, never appends
    EXPECT_EQ(list.entries(), defaultWordList());
}

TEST(CurrentList, ShuffleKeepsEveryEntryAndIsTheSameAfterEachStart) {
    CurrentList first, second;
    first.loadDefaultWords();
    second.loadDefaultWords();
    first.select(5);
    ProgramRandom startOne, startTwo;
    first.shuffle(startOne);
    second.shuffle(startTwo);
    EXPECT_EQ(first.entries(), second.entries());
    EXPECT_NE(first.entries(), defaultWordList());
    const QStringList words = defaultWordList();
    EXPECT_TRUE(std::is_permutation(words.begin(), words.end(), first.entries().begin()));
    EXPECT_EQ(first.selected(), -1);
    first.shuffle(startOne);  // the generator goes on: another order
    EXPECT_NE(first.entries(), second.entries());
}

TEST(Phoneme, VoicesSpeakOnlyNewValuesOfCheckedVoices) {
    CurrentList list;
    list.loadPhonemes();
    SliceValues last{1, 2, 3, 4};
    const struct {
        SliceValues values;
        std::array<bool, 4> checked;
        std::array<const char*, 4> spoken;  // nullptr: silent
    } ticks[] = {
        {{1, 2, 3, 4}, {true, true, true, true}, {nullptr, nullptr, nullptr, nullptr}},
        {{5, 6, 7, 8}, {true, false, false, false}, {"tw", nullptr, nullptr, nullptr}},
        {{5, 9, 10, 3000}, {true, true, true, true}, {nullptr, "mo", "sh", "sh"}},
    };
    for (const auto& tick : ticks) {
        const auto spoken = pickPhonemes(tick.values, tick.checked, list, last);
        for (int k = 0; k < 4; ++k) {
            ASSERT_EQ(spoken[k].has_value(), tick.spoken[k] != nullptr) << k;
            if (tick.spoken[k]) {
                EXPECT_EQ(*spoken[k], tick.spoken[k]) << k;
            }
        }
        EXPECT_EQ(last, tick.values);  // kept whether spoken or not
    }
}

TEST(Phoneme, ValuesComeFromTheUnitOrStayWithinTheList) {
    test::ScriptedTransport transport;
    transport.respond = [](const Report&) {
        return test::answerBytes({0x01, 0x02, 0x00, 0x10, 0x9C, 0x40, 0xFF, 0xFF});
    };
    Link link(transport, std::chrono::milliseconds(50));
    link.hidconnect();
    CurrentList list;
    list.loadPhonemes();
    ProgramRandom random;
    const auto fromUnit = phonemeValues(false, link, list, random);
    ASSERT_TRUE(fromUnit);
    EXPECT_EQ(*fromUnit, (SliceValues{258, 16, -25536, -1}));
    EXPECT_EQ(transport.writes().back()[1], '>');

    for (int i = 0; i < 500; ++i) {
        const auto drawn = phonemeValues(true, link, list, random);
        for (qint16 v : *drawn) ASSERT_TRUE(v >= 0 && v < 2160) << v;
    }
    transport.respond = [](const Report&) { return test::ScriptedTransport::Reply(); };
    EXPECT_FALSE(phonemeValues(false, link, list, random));
}
