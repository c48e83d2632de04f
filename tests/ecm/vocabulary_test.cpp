#include "ecm/vocabulary.h"

#include <gtest/gtest.h>

#include <QSet>
#include <algorithm>
#include <functional>

using namespace nuvo;

namespace {

using Loader = QStringList (*)();

using Predicate = std::function<bool(const QString&)>;

QSet<QString> entriesWhere(const QStringList& list, const Predicate& predicate) {
    QSet<QString> set;
    for (const QString& entry : list)
        if (predicate(entry)) set.insert(entry);
    return set;
}

bool hasTwoWords(const QString& entry) {
    return entry.trimmed().contains(QLatin1Char(' '));
}

}  // namespace

// The loader itself refuses a list of the wrong size.
TEST(Vocabulary, ListsHaveTheirComposition) {
    const struct {
        const char* name;
        Loader list;
        int distinct, capitalised;
    } shapes[] = {{"default", defaultWordList, 1922, 71},
                  {"pro", proWordList, 1923, 67},
                  {"phonemes", phonemeBlock, 224, 1}};
    const auto capitalised = [](const QString& e) { return !e.isEmpty() && e.front().isUpper(); };
    for (const auto& shape : shapes) {
        const QStringList list = shape.list();
        EXPECT_EQ(QSet<QString>(list.cbegin(), list.cend()).size(), shape.distinct) << shape.name;
        EXPECT_EQ(std::count_if(list.cbegin(), list.cend(), capitalised), shape.capitalised)
            << shape.name;
    }

    const QStringList words = defaultWordList(), pro = proWordList(), block = phonemeBlock();
    const std::tuple<const QStringList&, const char*, int> occurrences[] = {
        {words, ".", 93},      {words, "?", 3},     {words, "? ", 4},     {words, "! ", 4},
        {words, " ", 2},       {words, "him ", 2},  {words, "night ", 2}, {words, "alter ", 2},
        {words, "god ", 2},    {words, "restore ", 2}, {pro, "night ", 1}, {pro, ".", 93},
        {block, " ", 14},      {block, "lt", 2},    {block, "  ", 1}};
    for (const auto& [list, entry, n] : occurrences) EXPECT_EQ(list.count(entry), n) << entry;
    QStringList once{"!",   ". ",  "... ", ", ",      ": ",    "@ ",    "^ ",      "& ",
                     "# ",  "$ ",  "% ",   "* ",      "+ ",    "- ",    "/ ",      "( ",
                     ") ",  "soldeir ",    "he's ",   "don't ", "couldn't "};
    for (char digit = '0'; digit <= '9'; ++digit) once << QString(QLatin1Char(digit)) + ' ';
    for (const QString& entry : once) EXPECT_EQ(words.count(entry), 1) << entry.toStdString();

    // The entries that break the one-word-and-a-blank form, each one on purpose.
    const struct {
        std::function<bool(const QString&)> predicate;
        QSet<QString> expected;
    } forms[] = {
        {[](const QString& e) { return !e.endsWith(' '); }, {".", "?", "!", "no", "Lisa"}},
        {hasTwoWords, {"can you "}},
        {[](const QString& e) { return e.contains(QChar(0x2019)); },
         {"i\u2019m ", "shouldn\u2019t "}},
        {[](const QString& e) { return e.contains(QLatin1String("  ")); }, {}},
    };
    for (const auto& form : forms) EXPECT_EQ(entriesWhere(words, form.predicate), form.expected);
}

TEST(Vocabulary, EntriesSitAtTheirPositions) {
    const QStringList words = defaultWordList();
    const QStringList firstThirty{
        "matter ", "chance ", "see ",    "material ", "common ", "flat ",  "lasting ", "prayer ",
        "cotton ", "grace ",  "close ",  "equal ",    "kid ",    ".",      "soldeir ", "? ",
        "draw ",   "Adam ",   "mark ",   "saint ",    "gate ",   "whose ", "cremate ", "garden ",
        "your ",   "night ",  "scared ", "too ",      "5 ",      "gather "};
    const QStringList lastTen{"l ",       "radical ", "soup ", "revoked ", "god ",
                              "shuttle ", "loving ",  "sail ", "tree ",    "an "};
    EXPECT_EQ(words.first(30), firstThirty);
    EXPECT_EQ(words.last(10), lastTen);

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
        EXPECT_EQ(words[replacement.position], replacement.word);
        EXPECT_EQ(pro[replacement.position], replacement.pro);
    }
    int differences = 0;
    for (qsizetype i = 0; i < words.size(); ++i) differences += words[i] != pro[i];
    EXPECT_EQ(differences, 71);
    const QSet<QString> proTwoWords = entriesWhere(pro, hasTwoWords);
    EXPECT_EQ(proTwoWords.size(), 11);
    EXPECT_TRUE(proTwoWords.contains({"can you ", "the land ", "no time ", "night time "}));

    const std::pair<int, const char*> phonemes[] = {{0, " "},     {1, "ca"},   {6, ","},
                                                    {40, " ."},   {103, "  "}, {134, "ing"},
                                                    {143, ". "},  {268, "Th"}, {269, " "}};
    const QStringList block = phonemeBlock();
    for (const auto& [position, entry] : phonemes) EXPECT_EQ(block[position], entry) << position;
}
