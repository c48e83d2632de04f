#include "settings/inifile.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <ostream>

// Line ends shown as escapes, so a failed comparison shows where the bytes differ.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << QByteArray(bytes).replace("\r", "\\r").replace("\n", "\\n").toStdString() << '"';
}
inline void PrintTo(const QString& text, std::ostream* os) {
    PrintTo(text.toUtf8(), os);
}

namespace nuvo {
namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString written(const QString& before, const QString& section, const QString& key,
                const QString& value) {
    IniText ini(before);
    ini.setValue(section, key, value);
    return ini.text();
}

// --- reading -------------------------------------------------------------------------

TEST(IniTextRead, NamesMatchInAnyCaseAndValueKeepsItsCase) {
    const IniText lower(QStringLiteral("[rf]\r\nsubhz=TrUe\r\n"));
    EXPECT_EQ(lower.value("RF", "SUBHZ"), "TrUe");
    const IniText upper(QStringLiteral("[RF]\r\nSUBHZ=a=b\r\n"));
    EXPECT_EQ(upper.value("rf", "SubHz"), "a=b");
}

TEST(IniTextRead, KeyMustBeginTheLineAndEndAtTheEqualsSign) {
    const IniText ini(
        QStringLiteral("[RF]\r\n"
                       " SUBHZ=True\r\n"
                       "SUBHZ = True\r\n"
                       "LOWHZ1=one\r\n"
                       "LOWHZ=zero\r\n"));
    EXPECT_EQ(ini.value("RF", "SUBHZ"), "");
    EXPECT_EQ(ini.value("RF", "LOWHZ"), "zero");
    EXPECT_EQ(ini.value("RF", "LOWHZ1"), "one");
}

TEST(IniTextRead, FirstMatchingLineWinsAndOnlyItsSectionCounts) {
    const IniText ini(
        QStringLiteral("K=outside\r\n"
                       "[A]\r\n"
                       "K=first\r\n"
                       "K=second\r\n"
                       "[B]\r\n"
                       "X=b\r\n"
                       "[a]\r\n"
                       "K=third\r\n"
                       "Y=late\r\n"));
    EXPECT_EQ(ini.value("A", "K"), "first");
    EXPECT_EQ(ini.value("A", "Y"), "late");  // a repeated section is still that section
    EXPECT_EQ(ini.value("B", "K"), "");
    EXPECT_EQ(ini.value("C", "K"), "");
    EXPECT_EQ(ini.value("A", "X"), "");
}

TEST(IniTextRead, HeaderMustBeTheWholeLine) {
    EXPECT_EQ(IniText(QStringLiteral("[A] \r\nK=1\r\n")).value("A", "K"), "");
    EXPECT_EQ(IniText(QStringLiteral(" [A]\r\nK=1\r\n")).value("A", "K"), "");
    EXPECT_EQ(IniText(QStringLiteral("[AB]\r\nK=1\r\n")).value("A", "K"), "");
}

TEST(IniTextRead, LinesEndAtCrLfCrOrLf) {
    const IniText ini(QStringLiteral("[A]\rK=1\nL=2\r\nM=3"));
    EXPECT_EQ(ini.value("A", "K"), "1");
    EXPECT_EQ(ini.value("A", "L"), "2");
    EXPECT_EQ(ini.value("A", "M"), "3");
}

TEST(IniTextRead, BracketInsideAValueDoesNotEndTheSection) {
    const IniText ini(
        QStringLiteral("[VIDEO]\r\n"
                       "V3=/home/me/pics [old]/box.bmp\r\n"
                       "V2=[two]\r\n"
                       "V1=one\r\n"
                       "[ALARM]\r\n"
                       "ALARM1=True\r\n"));
    EXPECT_EQ(ini.value("VIDEO", "V3"), "/home/me/pics [old]/box.bmp");
    EXPECT_EQ(ini.value("VIDEO", "V2"), "[two]");
    EXPECT_EQ(ini.value("VIDEO", "V1"), "one");
    EXPECT_EQ(ini.value("VIDEO", "ALARM1"), "");
    EXPECT_EQ(ini.value("ALARM", "ALARM1"), "True");
}

TEST(IniTextRead, FileOfTheOldBracketRuleReadsTheSame) {
    // Under the old rule the V3 line ended the section, so each save put fresh V2 and V1
    // lines above it and left stale ones below.
    const IniText ini(
        QStringLiteral("[VIDEO]\r\n"
                       "V2=two\r\n"
                       "V1=one\r\n"
                       "V3=/home/me/pics [old]/box.bmp\r\n"
                       "V2=stale\r\n"
                       "V1=stale\r\n"));
    EXPECT_EQ(ini.value("VIDEO", "V1"), "one");
    EXPECT_EQ(ini.value("VIDEO", "V2"), "two");
}

// --- writing -------------------------------------------------------------------------

TEST(IniTextWrite, NewSectionsAreAppendedAndNewKeysGoOnTop) {
    IniText ini;
    ini.setValue("Screen", "Text", "True");
    EXPECT_EQ(ini.text(), "[Screen]\r\nText=True\r\n");
    ini.setValue("RF", "SUBHZ", "False");
    ini.setValue("rf", "lowhz", "True");
    ini.setValue("SCREEN", "OTHER", "x");
    EXPECT_EQ(ini.text(),
              "[Screen]\r\n"
              "OTHER=x\r\n"
              "Text=True\r\n"
              "\r\n"
              "[RF]\r\n"
              "lowhz=True\r\n"
              "SUBHZ=False\r\n");
}

TEST(IniTextWrite, ExistingLineIsReplacedInPlaceAsTheCallerSpellsIt) {
    EXPECT_EQ(
        written("[rf]\r\nsubhz=true\r\nlowhz=x\r\n\r\n[A]\r\nK=1\r\n", "RF", "SUBHZ", "False"),
        "[rf]\r\nSUBHZ=False\r\nlowhz=x\r\n\r\n[A]\r\nK=1\r\n");
    // The first of two lines of the key is the one replaced.
    EXPECT_EQ(written("[A]\r\nK=1\r\nK=2\r\n", "A", "K", "3"), "[A]\r\nK=3\r\nK=2\r\n");
}

TEST(IniTextWrite, KeyOfAnotherSectionIsNotTouched) {
    EXPECT_EQ(written("[A]\r\nK=1\r\n\r\n[B]\r\nX=2\r\n", "B", "K", "3"),
              "[A]\r\nK=1\r\n\r\n[B]\r\nK=3\r\nX=2\r\n");
    EXPECT_EQ(written("[A]\r\nX=1\r\n\r\n[B]\r\nK=2\r\n", "A", "K", "3"),
              "[A]\r\nK=3\r\nX=1\r\n\r\n[B]\r\nK=2\r\n");
    // Only a whole header line names the section.
    EXPECT_EQ(written("[AB]\r\nK=1\r\n", "A", "K", "2"), "[AB]\r\nK=1\r\n\r\n[A]\r\nK=2\r\n");
}

TEST(IniTextWrite, UnrecognisedKeyLinesGetACorrectLineAboveThem) {
    const QString text = written("[RF]\r\n SUBHZ=True\r\nSUBHZ = True\r\n", "RF", "SUBHZ", "False");
    EXPECT_EQ(text, "[RF]\r\nSUBHZ=False\r\n SUBHZ=True\r\nSUBHZ = True\r\n");
    EXPECT_EQ(IniText(text).value("RF", "SUBHZ"), "False");
}

TEST(IniTextWrite, LastLineWithoutLineEndIsReplacedToTheEnd) {
    EXPECT_EQ(written("[TEMP]\r\nCAL=-3", "TEMP", "CAL", " 4"), "[TEMP]\r\nCAL= 4\r\n");
    EXPECT_EQ(written("[A]\r\nK=1\r\nL=2", "A", "K", "9"), "[A]\r\nK=9\r\nL=2\r\n");
    EXPECT_EQ(written("[A]\r\nK=1", "B", "K", "9"), "[A]\r\nK=1\r\n\r\n[B]\r\nK=9\r\n");
}

TEST(IniTextWrite, TidiesBlankLinesAndControlCharactersAtTheEnds) {
    EXPECT_EQ(
        written("\r\n\r\n[A]\r\nK=1\r\n\r\n\r\n\r\n\r\n[B]\r\nX=1\r\n\r\n\t\r\n", "A", "K", "2"),
        "[A]\r\nK=2\r\n\r\n[B]\r\nX=1\r\n");
    // A single empty line inside a section stays.
    EXPECT_EQ(written("[A]\r\nK=1\r\n\r\nL=2\r\n", "A", "L", "3"), "[A]\r\nK=1\r\n\r\nL=3\r\n");
}

TEST(IniTextWrite, BracketInsideAValueDoesNotEndTheSection) {
    IniText ini;
    ini.setValue("VIDEO", "V3", "/home/me/pics [old]/box.bmp");
    ini.setValue("VIDEO", "V2", "b");
    ini.setValue("VIDEO", "V1", "a");
    ini.setValue("ALARM", "ALARM1", "True");
    const QString first = ini.text();
    // A second save must replace the lines in place, not add new ones above the path.
    ini.setValue("VIDEO", "V3", "/home/me/pics [old]/box.bmp");
    ini.setValue("VIDEO", "V2", "b2");
    ini.setValue("VIDEO", "V1", "a2");
    ini.setValue("ALARM", "ALARM1", "True");
    EXPECT_EQ(first,
              "[VIDEO]\r\nV1=a\r\nV2=b\r\nV3=/home/me/pics [old]/box.bmp\r\n\r\n"
              "[ALARM]\r\nALARM1=True\r\n");
    EXPECT_EQ(ini.text(),
              "[VIDEO]\r\nV1=a2\r\nV2=b2\r\nV3=/home/me/pics [old]/box.bmp\r\n\r\n"
              "[ALARM]\r\nALARM1=True\r\n");

    // V3 first, then the keys after it: under the old rule they were out of the section.
    const QString pathFirst = "[VIDEO]\r\nV3=/x [1]\r\nV2=b\r\nV1=a\r\n";
    EXPECT_EQ(written(pathFirst, "VIDEO", "V1", "c"), "[VIDEO]\r\nV3=/x [1]\r\nV2=b\r\nV1=c\r\n");
}

TEST(IniTextWrite, OldBracketRuleFileIsUpdatedAtTheLinesThatAreRead) {
    const QString old = "[VIDEO]\r\nV2=two\r\nV1=one\r\nV3=/p [x]\r\nV2=stale\r\nV1=stale\r\n";
    EXPECT_EQ(written(old, "VIDEO", "V1", "new"),
              "[VIDEO]\r\nV2=two\r\nV1=new\r\nV3=/p [x]\r\nV2=stale\r\nV1=stale\r\n");
}

TEST(IniTextWrite, LoneLineEndsBecomeCrLfWithoutLosingLines) {
    EXPECT_EQ(written("[A]\nK=1\nL=2\n\n[B]\nX=1\n", "A", "K", "9"),
              "[A]\r\nK=9\r\nL=2\r\n\r\n[B]\r\nX=1\r\n");
    EXPECT_EQ(written("[A]\rK=1\rL=2\r", "A", "M", "3"), "[A]\r\nM=3\r\nK=1\r\nL=2\r\n");
}

TEST(IniTextWrite, CharactersThatLengthenWhenLowerCasedDoNotShiftPositions) {
    // U+0130 lower-cases to two code units in full case mapping.
    const QString dotted = QString::fromUtf8("\u0130\u0130\u0130");
    IniText ini("[A]\r\nK=" + dotted + "\r\nL=2\r\n");
    ini.setValue("A", "L", "3");
    ini.setValue("a", "K", dotted + "x");
    EXPECT_EQ(ini.text(), "[A]\r\nK=" + dotted + "x\r\nL=3\r\n");
    EXPECT_EQ(ini.value("A", "K"), dotted + "x");
}

// --- files ---------------------------------------------------------------------------

TEST(IniFile, ReadingAMissingFileCreatesItEmpty) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Nuvo.ini");
    EXPECT_EQ(INIread(file, "NAG", "NAGSCREEN"), "");
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);

    const QString nowhere = dir.filePath("missing/Nuvo.ini");
    EXPECT_EQ(INIread(nowhere, "NAG", "NAGSCREEN"), "");
    EXPECT_FALSE(QFileInfo::exists(nowhere));
}

TEST(IniFile, WriteThenReadGivesUtf8CrLfText) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Nuvo.ini");
    ASSERT_TRUE(INIwrite(file, "VIDEO", "V1", QString::fromUtf8("Grüße")));
    ASSERT_TRUE(INIwrite(file, "NAG", "NAGSCREEN", " 3"));
    EXPECT_EQ(readBytes(file),
              "[VIDEO]\r\nV1=Gr\xc3\xbc\xc3\x9f"
              "e\r\n\r\n[NAG]\r\nNAGSCREEN= 3\r\n");
    EXPECT_EQ(INIread(file, "video", "v1"), QString::fromUtf8("Grüße"));
    EXPECT_EQ(INIread(file, "NAG", "NAGSCREEN"), " 3");
}

TEST(IniFile, ByteOrderMarkIsDropped) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Nuvo.ini");
    writeBytes(file, "\xef\xbb\xbf[A]\r\nK=1\r\n");
    EXPECT_EQ(INIread(file, "A", "K"), "1");
    ASSERT_TRUE(INIwrite(file, "A", "K", "2"));
    EXPECT_EQ(readBytes(file), "[A]\r\nK=2\r\n");
}

TEST(IniFile, ValuesBeyond32767CharactersRoundTrip) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Nuvo.ini");
    QString big;
    for (int i = 0; big.size() < 40'001; ++i) big += QString::number(i % 10);
    ASSERT_TRUE(INIwrite(file, "VIDEO", "V3", big));
    ASSERT_TRUE(INIwrite(file, "VIDEO", "V1", "after"));
    ASSERT_TRUE(INIwrite(file, "MAG", "CAL", "7"));
    EXPECT_EQ(INIread(file, "VIDEO", "V3"), big);
    EXPECT_EQ(INIread(file, "VIDEO", "V1"), "after");
    EXPECT_EQ(INIread(file, "MAG", "CAL"), "7");
    ASSERT_TRUE(INIwrite(file, "VIDEO", "V3", "small"));
    EXPECT_EQ(readBytes(file), "[VIDEO]\r\nV1=after\r\nV3=small\r\n\r\n[MAG]\r\nCAL=7\r\n");
}

TEST(IniFile, ReadOnlyFileIsMadeWritable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Nuvo.ini");
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;

    writeBytes(file, "[A]\r\nK=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(file, readOnly));
    EXPECT_EQ(INIread(file, "A", "K"), "1");
    EXPECT_TRUE(QFile::permissions(file) & QFileDevice::WriteOwner);

    ASSERT_TRUE(QFile::setPermissions(file, readOnly));
    QString error;
    EXPECT_TRUE(INIwrite(file, "A", "K", "2", &error)) << error.toStdString();
    EXPECT_EQ(readBytes(file), "[A]\r\nK=2\r\n");
    EXPECT_TRUE(QFile::permissions(file) & QFileDevice::WriteOwner);
}

TEST(IniFile, FailuresReportTheFileAndKeepWhatIsThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The folder "is" a file: nothing can be created in it.
    const QString plain = dir.filePath("plain");
    writeBytes(plain, "x");
    const QString file = plain + "/Nuvo.ini";
    QString error;
    EXPECT_FALSE(INIwrite(file, "A", "K", "1", &error));
    EXPECT_TRUE(
        error.startsWith("Cannot write the settings file " + QDir::toNativeSeparators(file) + ": "))
        << error.toStdString();
    EXPECT_GT(error.size(), ("Cannot write the settings file " + file + ": ").size());

    // A settings "file" that cannot be read is not replaced by one holding a single key.
    const QString folder = dir.filePath("Nuvo.ini");
    ASSERT_TRUE(QDir().mkpath(folder));
    error.clear();
    EXPECT_FALSE(INIwrite(folder, "A", "K", "1", &error));
    EXPECT_TRUE(error.startsWith("Cannot read the settings file ")) << error.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(INIread(folder, "A", "K"), "");
}

}  // namespace
}  // namespace nuvo
