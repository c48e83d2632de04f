#include "ecm/vocabulary.h"

#include <gtest/gtest.h>

#include <QSet>
#include <algorithm>
#include <functional>

using namespace nuvo;

namespace {

using Loader = QStringList (*)();
using Predicate = std::function<bool(const QString&)>;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QSet<QString> textSet(std::initializer_list<const char*> entries) {
    QSet<QString> set;
    for (const char* entry : entries) set.insert(text(entry));
    return set;
}

QSet<QString> entriesWhere(const QStringList& list, const Predicate& predicate) {
    QSet<QString> set;
    for (const QString& entry : list) {
        if (predicate(entry)) set.insert(entry);
    }
    return set;
}

bool isCapitalised(const QString& entry) {
    return !entry.isEmpty() && entry.front().isUpper();
}
bool hasTwoWords(const QString& entry) {
    return entry.trimmed().contains(QLatin1Char(' '));
}

}  // namespace

TEST(Vocabulary, ListsHaveTheirComposition) {
    const struct {
        const char* name;
        Loader list;
        int size, distinct, capitalised;
    } shapes[] = {{"default", defaultWordList, 2050, 1922, 71},
                  {"pro", proWordList, 2050, 1923, 67},
                  {"phonemes", phonemeBlock, 270, 224, 1}};
    for (const auto& shape : shapes) {
        const QStringList list = shape.list();
        SCOPED_TRACE(shape.name);
        EXPECT_EQ(list.size(), shape.size);
        EXPECT_EQ(QSet<QString>(list.cbegin(), list.cend()).size(), shape.distinct);
        EXPECT_EQ(std::count_if(list.cbegin(), list.cend(), isCapitalised), shape.capitalised);
    }

    const struct {
        Loader list;
        const char* entry;
        int count;
    } occurrences[] = {
        {defaultWordList, ".", 93},       {defaultWordList, "?", 3},
        {defaultWordList, "? ", 4},       {defaultWordList, "!", 1},
        {defaultWordList, "! ", 4},       {defaultWordList, " ", 2},
        {defaultWordList, ". ", 1},       {defaultWordList, "... ", 1},
        {defaultWordList, ", ", 1},       {defaultWordList, ": ", 1},
        {defaultWordList, "@ ", 1},       {defaultWordList, "^ ", 1},
        {defaultWordList, "& ", 1},       {defaultWordList, "# ", 1},
        {defaultWordList, "$ ", 1},       {defaultWordList, "% ", 1},
        {defaultWordList, "* ", 1},       {defaultWordList, "+ ", 1},
        {defaultWordList, "- ", 1},       {defaultWordList, "/ ", 1},
        {defaultWordList, "( ", 1},       {defaultWordList, ") ", 1},
        {defaultWordList, "soldeir ", 1}, {defaultWordList, "he's ", 1},
        {defaultWordList, "don't ", 1},   {defaultWordList, "couldn't ", 1},
        {defaultWordList, "night ", 2},   {defaultWordList, "him ", 2},
        {defaultWordList, "alter ", 2},   {defaultWordList, "god ", 2},
        {defaultWordList, "restore ", 2}, {proWordList, "night ", 1},
        {proWordList, ".", 93},           {phonemeBlock, " ", 14},
        {phonemeBlock, "lt", 2},          {phonemeBlock, "  ", 1},
    };
    for (const auto& occurrence : occurrences) {
        SCOPED_TRACE(occurrence.entry);
        EXPECT_EQ(occurrence.list().count(text(occurrence.entry)), occurrence.count);
    }
    const QStringList words = defaultWordList();
    for (char digit = '0'; digit <= '9'; ++digit) {
        EXPECT_EQ(words.count(QString(QLatin1Char(digit)) + QLatin1Char(' ')), 1) << digit;
    }

    // The entries that break the one-word-and-a-blank form, each one on purpose.
    const struct {
        Predicate predicate;
        QSet<QString> expected;
    } forms[] = {
        {[](const QString& e) { return !e.endsWith(QLatin1Char(' ')); },
         textSet({".", "?", "!", "no", "Lisa"})},
        {hasTwoWords, textSet({"can you "})},
        {[](const QString& e) { return e.contains(QChar(0x2019)); },
         textSet({"i\u2019m ", "shouldn\u2019t "})},
        {[](const QString& e) { return e.contains(QLatin1String("  ")); }, {}},
    };
    for (const auto& form : forms) EXPECT_EQ(entriesWhere(words, form.predicate), form.expected);
}

TEST(Vocabulary, EntriesSitAtTheirPositions) {
    const QStringList words = defaultWordList();
    const char* const firstThirty[] = {
        "matter ", "chance ", "see ",    "material ", "common ", "flat ",  "lasting ", "prayer ",
        "cotton ", "grace ",  "close ",  "equal ",    "kid ",    ".",      "soldeir ", "? ",
        "draw ",   "Adam ",   "mark ",   "saint ",    "gate ",   "whose ", "cremate ", "garden ",
        "your ",   "night ",  "scared ", "too ",      "5 ",      "gather "};
    const char* const lastTen[] = {"l ",       "radical ", "soup ", "revoked ", "god ",
                                   "shuttle ", "loving ",  "sail ", "tree ",    "an "};
    for (int i = 0; i < 30; ++i) EXPECT_EQ(words[i], text(firstThirty[i])) << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(words[2040 + i], text(lastTen[i])) << i;

    const struct {
        int position;
        const char* word;
        const char* pro;
    } replacements[] = {
        {185, "night ", "night time "}, {322, "element ", "elemental "},
        {327, "exit ", "exorcism "},    {397, "body ", "disembodied "},
        {862, "raid ", "templar "},     {963, "leave ", "leaven "},
        {1398, "human ", "non-human "}, {1494, "palace ", "palatine "},
        {419, "Derrick ", "derrick "},  {426, "Peter ", "peter "},
        {1116, "Frank ", "frank "},     {1258, "Russ ", "russ "},
    };
    const QStringList pro = proWordList();
    for (const auto& replacement : replacements) {
        EXPECT_EQ(words[replacement.position], text(replacement.word));
        EXPECT_EQ(pro[replacement.position], text(replacement.pro));
    }
    int differences = 0;
    for (qsizetype i = 0; i < words.size(); ++i) differences += words[i] != pro[i];
    EXPECT_EQ(differences, 71);
    const QSet<QString> proTwoWords = entriesWhere(pro, hasTwoWords);
    EXPECT_EQ(proTwoWords.size(), 11);
    EXPECT_TRUE(
        proTwoWords.contains(textSet({"can you ", "the land ", "no time ", "night time "})));

    const struct {
        int position;
        const char* entry;
    } phonemes[] = {{0, " "},     {1, "ca"},   {6, ","},    {40, " ."}, {103, "  "},
                    {134, "ing"}, {143, ". "}, {268, "Th"}, {269, " "}};
    const QStringList block = phonemeBlock();
    for (const auto& phoneme : phonemes) EXPECT_EQ(block[phoneme.position], text(phoneme.entry));
}
