#include "settings/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "settings/filebytes.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>

#include <csignal>
#endif

namespace nuvo {
namespace {

TEST(IniText, Read) {
    const QString repeated =
        "K=outside\r\n[A]\r\nK=first\r\nK=second\r\n[B]\r\nX=b\r\n[a]\r\nY=late\r\n";
    const QString bracket =
        "[VIDEO]\r\nV3=/p [old]/box.bmp\r\nV1=one\r\n[ALARM]\r\nALARM1=True\r\n";
    struct Case {
        QString text, section, key, value;
    };
    const Case cases[] = {
        // Names match in any case; the value keeps its case and runs to the line end.
        {"[rf]\r\nsubhz=TrUe\r\n", "RF", "SUBHZ", "TrUe"},
        {"[RF]\r\nSUBHZ=a=b\r\n", "rf", "SubHz", "a=b"},
        // The key begins the line and ends at "=".
        {"[RF]\r\n SUBHZ=True\r\nSUBHZ = True\r\n", "RF", "SUBHZ", ""},
        {"[RF]\r\nLOWHZ1=one\r\nLOWHZ=zero\r\n", "RF", "LOWHZ", "zero"},
        // The first matching line of the section wins; a repeated section still counts.
        {repeated, "A", "K", "first"},
        {repeated, "A", "Y", "late"},
        {repeated, "B", "K", ""},
        {repeated, "C", "K", ""},
        // Only a whole line that starts with "[" is a header.
        {"[A] \r\nK=1\r\n", "A", "K", ""},
        {" [A]\r\nK=1\r\n", "A", "K", ""},
        {"[AB]\r\nK=1\r\n", "A", "K", ""},
        // Lines end at CR LF, CR or LF; the last one needs none.
        {"[A]\rK=1\nL=2\r\nM=3", "A", "K", "1"},
        {"[A]\rK=1\nL=2\r\nM=3", "A", "L", "2"},
        {"[A]\rK=1\nL=2\r\nM=3", "A", "M", "3"},
        // A "[" inside a value neither ends the section nor opens one.
        {bracket, "VIDEO", "V3", "/p [old]/box.bmp"},
        {bracket, "VIDEO", "V1", "one"},
        {bracket, "VIDEO", "ALARM1", ""},
        {bracket, "ALARM", "ALARM1", "True"},
        // Files of the older rule, where such a value ended the section: the lines above
        // it are the ones that were read and saved.
        {"[VIDEO]\r\nV1=one\r\nV3=/p [x]\r\nV1=stale\r\n", "VIDEO", "V1", "one"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniText(c.text).value(c.section, c.key), c.value)
            << c.key.toStdString() << " in " << c.text.toStdString();
}

TEST(IniText, Write) {
    struct Case {
        QString before, section, key, value, after;
    };
    const Case cases[] = {
        // A new section is appended, a new key goes on top of its section, both spelled as
        // the caller gives them.
        {"", "Screen", "Text", "True", "[Screen]\r\nText=True\r\n"},
        {"[Screen]\r\nText=True\r\n", "rf", "lowhz", "True",
         "[Screen]\r\nText=True\r\n\r\n[rf]\r\nlowhz=True\r\n"},
        {"[Screen]\r\nText=True\r\n\r\n[RF]\r\nK=1\r\n", "SCREEN", "OTHER", "x",
         "[Screen]\r\nOTHER=x\r\nText=True\r\n\r\n[RF]\r\nK=1\r\n"},
        // An existing line, the first of two, is replaced in place.
        {"[rf]\r\nsubhz=true\r\nlowhz=x\r\n", "RF", "SUBHZ", "False",
         "[rf]\r\nSUBHZ=False\r\nlowhz=x\r\n"},
        {"[A]\r\nK=1\r\nK=2\r\n", "A", "K", "3", "[A]\r\nK=3\r\nK=2\r\n"},
        // A key of another section, or under a header that only starts alike, is not it.
        {"[A]\r\nK=1\r\n\r\n[B]\r\nX=2\r\n", "B", "K", "3",
         "[A]\r\nK=1\r\n\r\n[B]\r\nK=3\r\nX=2\r\n"},
        {"[A]\r\nX=1\r\n\r\n[B]\r\nK=2\r\n", "A", "K", "3",
         "[A]\r\nK=3\r\nX=1\r\n\r\n[B]\r\nK=2\r\n"},
        {"[AB]\r\nK=1\r\n", "A", "K", "2", "[AB]\r\nK=1\r\n\r\n[A]\r\nK=2\r\n"},
        // Lines the reader does not take for the key get a correct one above them.
        {"[RF]\r\n SUBHZ=True\r\nSUBHZ = True\r\n", "RF", "SUBHZ", "False",
         "[RF]\r\nSUBHZ=False\r\n SUBHZ=True\r\nSUBHZ = True\r\n"},
        // A last line without a line end is replaced to the end of the text.
        {"[TEMP]\r\nCAL=-3", "TEMP", "CAL", " 4", "[TEMP]\r\nCAL= 4\r\n"},
        {"[A]\r\nK=1\r\nL=2", "A", "K", "9", "[A]\r\nK=9\r\nL=2\r\n"},
        {"[A]\r\nK=1", "B", "K", "9", "[A]\r\nK=1\r\n\r\n[B]\r\nK=9\r\n"},
        // At most one empty line in a row; control characters trimmed at both ends.
        {"\r\n\r\n[A]\r\nK=1\r\n\r\n\r\n\r\n\r\n[B]\r\nX=1\r\n\r\n\t\r\n", "A", "K", "2",
         "[A]\r\nK=2\r\n\r\n[B]\r\nX=1\r\n"},
        {"[A]\r\nK=1\r\n\r\nL=2\r\n", "A", "L", "3", "[A]\r\nK=1\r\n\r\nL=3\r\n"},
        // A "[" inside a value does not end the section, before or after the key.
        {"[VIDEO]\r\nV1=a\r\nV3=/p [old]/b\r\n\r\n[ALARM]\r\nV1=x\r\n", "VIDEO", "V1", "a2",
         "[VIDEO]\r\nV1=a2\r\nV3=/p [old]/b\r\n\r\n[ALARM]\r\nV1=x\r\n"},
        {"[VIDEO]\r\nV3=/x [1]\r\nV1=a\r\n", "VIDEO", "V1", "c",
         "[VIDEO]\r\nV3=/x [1]\r\nV1=c\r\n"},
        {"[VIDEO]\r\nV1=one\r\nV3=/p [x]\r\nV1=stale\r\n", "VIDEO", "V1", "new",
         "[VIDEO]\r\nV1=new\r\nV3=/p [x]\r\nV1=stale\r\n"},
        // Lone line ends become CR LF without losing lines.
        {"[A]\nK=1\nL=2\n\n[B]\nX=1\n", "A", "K", "9", "[A]\r\nK=9\r\nL=2\r\n\r\n[B]\r\nX=1\r\n"},
        {"[A]\rK=1\rL=2\r", "A", "M", "3", "[A]\r\nM=3\r\nK=1\r\nL=2\r\n"},
        // U+0130 lower-cases to two code units; positions in the text must not shift.
        {"[A]\r\nK=\u0130\u0130\u0130\r\nL=2\r\n", "a", "L", "3",
         "[A]\r\nK=\u0130\u0130\u0130\r\nL=3\r\n"},
    };
    for (const Case& c : cases) {
        IniText ini(c.before);
        ini.setValue(c.section, c.key, c.value);
        EXPECT_EQ(ini.text(), c.after) << c.before.toStdString();
        EXPECT_EQ(ini.value(c.section, c.key), c.value) << c.before.toStdString();
    }
}

class IniFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString file() const { return m_dir.filePath("Nuvo.ini"); }

    QTemporaryDir m_dir;
};

TEST_F(IniFile, OnlyASaveCreatesOrChangesTheFile) {
    EXPECT_EQ(INIread(file(), "NAG", "NAGSCREEN"), "");
    EXPECT_FALSE(QFileInfo::exists(file()));

    writeBytes(file(), "[NAG]\r\nNAGSCREEN= 3\r\n");
    ASSERT_TRUE(QFile::setPermissions(file(), QFileDevice::ReadOwner));
    EXPECT_EQ(INIread(file(), "NAG", "NAGSCREEN"), " 3");
    EXPECT_FALSE(QFile::permissions(file()) & QFileDevice::WriteOwner);

    // A read-only file is made writable by the save, which it would otherwise never get.
    QString error;
    EXPECT_TRUE(INIwrite(file(), "NAG", "NAGSCREEN", " 4", &error)) << error.toStdString();
    EXPECT_EQ(readBytes(file()), QByteArray("[NAG]\r\nNAGSCREEN= 4\r\n"));
    EXPECT_TRUE(QFile::permissions(file()) & QFileDevice::WriteOwner);
}

TEST_F(IniFile, OlderFilesInWindows1252AreReadAndSavedAsUtf8) {
    struct Case {
        QByteArray stored;
        QString value;  // of A/K, which is then saved back
        QByteArray saved;
    };
    const Case cases[] = {
        {"[A]\r\nK=Caf\xc3\xa9\r\n", "Café", "[A]\r\nK=Caf\xc3\xa9\r\n"},
        {"\xef\xbb\xbf[A]\r\nK=Caf\xc3\xa9\r\n", "Café", "[A]\r\nK=Caf\xc3\xa9\r\n"},
        {"[A]\r\nK=Caf\xe9\r\n", "Café", "[A]\r\nK=Caf\xc3\xa9\r\n"},
        {"[A]\r\nK=\x80\x81\x82\x99\x9f\xa0\xff\r\n", "€\u0081‚™Ÿ\u00a0ÿ",
         "[A]\r\nK=\xe2\x82\xac\xc2\x81\xe2\x80\x9a\xe2\x84\xa2\xc5\xb8\xc2\xa0\xc3\xbf\r\n"},
        // One stray byte decides for the whole file.
        {"[A]\r\nK=\xc3\xa9 \xe9\r\n", "Ã© é", "[A]\r\nK=\xc3\x83\xc2\xa9 \xc3\xa9\r\n"},
        // A sequence cut off at the end of the file is no UTF-8 either.
        {"[A]\r\nK=ok\xc3", "okÃ", "[A]\r\nK=ok\xc3\x83\r\n"},
    };
    for (const Case& c : cases) {
        writeBytes(file(), c.stored);
        const QString value = INIread(file(), "A", "K");
        EXPECT_EQ(value, c.value) << c.stored.toHex().toStdString();
        ASSERT_TRUE(INIwrite(file(), "A", "K", value));
        EXPECT_EQ(readBytes(file()), c.saved) << c.stored.toHex().toStdString();
    }
}

TEST_F(IniFile, ValuesBeyond32767CharactersRoundTrip) {
    QString big;
    for (int i = 0; big.size() < 40'001; ++i) big += QString::number(i % 10);
    ASSERT_TRUE(INIwrite(file(), "VIDEO", "V3", big));
    ASSERT_TRUE(INIwrite(file(), "VIDEO", "V1", "after"));
    ASSERT_TRUE(INIwrite(file(), "MAG", "CAL", "7"));
    EXPECT_EQ(INIread(file(), "VIDEO", "V3"), big);
    ASSERT_TRUE(INIwrite(file(), "VIDEO", "V3", "small"));
    EXPECT_EQ(readBytes(file()),
              QByteArray("[VIDEO]\r\nV1=after\r\nV3=small\r\n\r\n[MAG]\r\nCAL=7\r\n"));
}

TEST_F(IniFile, FailuresReportTheFileAndKeepWhatIsThere) {
    // The folder "is" a file: nothing can be created in it.
    const QString plain = m_dir.filePath("plain");
    writeBytes(plain, "x");
    const QString inPlain = plain + "/Nuvo.ini";
    QString error;
    EXPECT_FALSE(INIwrite(inPlain, "A", "K", "1", &error));
    const QString prefix =
        "Cannot write the settings file " + QDir::toNativeSeparators(inPlain) + ": ";
    EXPECT_TRUE(error.startsWith(prefix) && error.size() > prefix.size()) << error.toStdString();

    // A settings "file" that cannot be read is not replaced by one holding a single key.
    ASSERT_TRUE(QDir().mkpath(file()));
    EXPECT_FALSE(INIwrite(file(), "A", "K", "1", &error));
    EXPECT_TRUE(error.startsWith("Cannot read the settings file ")) << error.toStdString();
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_EQ(INIread(file(), "A", "K"), "");
}

#ifdef Q_OS_LINUX
TEST_F(IniFile, SaveThatFailsHalfwayKeepsTheOldFile) {
    // A file size limit makes the write fail after the first few kilobytes, whoever runs
    // the test; a save that wrote into the old file would leave it cut short.
    writeBytes(file(), "[A]\r\nK=1\r\n");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool saved = INIwrite(file(), "A", "K", QString(40'000, u'x'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_TRUE(error.startsWith("Cannot write the settings file ")) << error.toStdString();
    EXPECT_EQ(readBytes(file()), QByteArray("[A]\r\nK=1\r\n"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Nuvo.ini"});
}
#endif

}  // namespace
}  // namespace nuvo
