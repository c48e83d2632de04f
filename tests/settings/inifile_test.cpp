#include "settings/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>

#include "settings/filebytes.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>

#include <csignal>
#endif

namespace nuvo {
namespace {

// "section/key=value" in its three parts.
std::array<QString, 3> entry(const QString& text) {
    return {text.section('/', 0, 0), text.section('/', 1).section('=', 0, 0), text.section('=', 1)};
}

TEST(IniText, Read) {
    const struct {
        QString text;
        QStringList lookups;
    } cases[] = {
        // Names match in any case; the value keeps its case and runs to the line end.
        {"[rf]\r\nsubhz=TrUe=x\r\n", {"RF/SubHz=TrUe=x"}},
        // The key begins the line and ends at "=".
        {"[RF]\r\n SUBHZ=1\r\nSUBHZ = 2\r\nLOWHZ1=3\r\nLOWHZ=4\r\n", {"RF/SUBHZ=", "RF/LOWHZ=4"}},
        // The first matching line of the section wins; a repeated section still counts.
        {"K=0\r\n[A]\r\nK=1\r\nK=2\r\n[B]\r\n[a]\r\nY=4\r\n", {"A/K=1", "A/Y=4", "B/Y=", "C/K="}},
        // Only a whole line that starts with "[" is a header.
        {"[A] \r\nK=1\r\n [A]\r\nL=2\r\n[AB]\r\nM=3\r\n", {"A/K=", "A/L=", "A/M="}},
        // Lines end at CR LF, CR or LF; the last one needs none.
        {"[A]\rK=1\nL=2\r\nM=3", {"A/K=1", "A/L=2", "A/M=3"}},
        // A "[" inside a value neither ends the section nor opens one.
        {"[V]\r\nK=/p [o]/b\r\nL=1\r\n[B]\r\nM=2\r\n", {"V/K=/p [o]/b", "V/L=1", "V/M=", "B/M=2"}},
    };
    for (const auto& c : cases) {
        for (const QString& lookup : c.lookups) {
            const auto [section, key, value] = entry(lookup);
            EXPECT_EQ(IniText(c.text).value(section, key), value) << lookup.toStdString();
        }
    }
}

TEST(IniText, Write) {
    const struct {
        QString before, set, after;
    } cases[] = {
        // A new section is appended, a new key goes on top of its section, both spelled as
        // the caller gives them.
        {"", "Screen/Text=True", "[Screen]\r\nText=True\r\n"},
        {"[S]\r\nT=1\r\n\r\n[B]\r\nK=1\r\n", "s/Ot=x", "[S]\r\nOt=x\r\nT=1\r\n\r\n[B]\r\nK=1\r\n"},
        // The first line of the key is replaced in place.
        {"[a]\r\nkey=1\r\nKEY=2\r\nL=3\r\n", "A/Key=0", "[a]\r\nKey=0\r\nKEY=2\r\nL=3\r\n"},
        // A key of another section, or under a header that only starts alike, is not it.
        {"[A]\r\nK=1\r\n\r\n[B]\r\nX=2\r\n", "B/K=3", "[A]\r\nK=1\r\n\r\n[B]\r\nK=3\r\nX=2\r\n"},
        {"[A]\r\nX=1\r\n\r\n[B]\r\nK=2\r\n", "A/K=3", "[A]\r\nK=3\r\nX=1\r\n\r\n[B]\r\nK=2\r\n"},
        {"[AB]\r\nK=1\r\n", "A/K=2", "[AB]\r\nK=1\r\n\r\n[A]\r\nK=2\r\n"},
        // Lines the reader does not take for the key get a correct one above them.
        {"[A]\r\n K=1\r\nK = 2\r\n", "A/K=3", "[A]\r\nK=3\r\n K=1\r\nK = 2\r\n"},
        // A last line without a line end is replaced to the end of the text.
        {"[TEMP]\r\nCAL=-3", "TEMP/CAL= 4", "[TEMP]\r\nCAL= 4\r\n"},
        {"[A]\r\nK=1", "B/K=9", "[A]\r\nK=1\r\n\r\n[B]\r\nK=9\r\n"},
        {"[B]\r\nK=1\r\n[A]", "A/K=9", "[B]\r\nK=1\r\n[A]\r\nK=9\r\n"},
        {"\v\t[A]\r\nK=1\r\n", "A/K=2", "[A]\r\nK=2\r\n"},
        // At most one empty line in a row; control characters trimmed at both ends.
        {"\r\n[A]\r\nK=1\r\n\r\n\r\n\r\n\r\nX=1\r\n\t\r\n", "A/K=2", "[A]\r\nK=2\r\n\r\nX=1\r\n"},
        {"[A]\r\nK=1\r\n\r\nL=2\r\n", "A/L=3", "[A]\r\nK=1\r\n\r\nL=3\r\n"},
        // A "[" inside a value does not end the section, before or after the key.
        {"[V]\r\nK=a\r\nL=[o]\r\n[B]\r\nK=x\r\n", "V/K=c", "[V]\r\nK=c\r\nL=[o]\r\n[B]\r\nK=x\r\n"},
        {"[V]\r\nL=/x [1]\r\nK=a\r\n", "V/K=c", "[V]\r\nL=/x [1]\r\nK=c\r\n"},
        // Lone line ends become CR LF without losing lines.
        {"[A]\nK=1\nL=2\n\n[B]\nX=1\n", "A/K=9", "[A]\r\nK=9\r\nL=2\r\n\r\n[B]\r\nX=1\r\n"},
        {"[A]\rK=1\rL=2\r", "A/M=3", "[A]\r\nM=3\r\nK=1\r\nL=2\r\n"},
        // U+0130 lower-cases to two code units; positions in the text must not shift.
        {"[A]\r\nK=\u0130\u0130\r\nL=2\r\n", "a/L=3", "[A]\r\nK=\u0130\u0130\r\nL=3\r\n"},
    };
    for (const auto& c : cases) {
        const auto [section, key, value] = entry(c.set);
        IniText ini(c.before);
        ini.setValue(section, key, value);
        EXPECT_EQ(ini.text(), c.after) << c.before.toStdString();
        EXPECT_EQ(ini.value(section, key), value) << c.before.toStdString();
    }
}

// A value is one line, whatever it holds: it can add no key or section.
TEST(IniText, AValueStaysOnItsLine) {
    IniText ini("[NAG]\r\nNAGSCREEN= 3\r\n");
    ini.setValue("VIDEO", "V1", "a\r\n[NAG]\r\nNAGSCREEN=-9\rb\n");
    EXPECT_EQ(ini.text(),
              "[NAG]\r\nNAGSCREEN= 3\r\n\r\n[VIDEO]\r\nV1=a  [NAG]  NAGSCREEN=-9 b \r\n");
    EXPECT_EQ(ini.value("NAG", "NAGSCREEN"), " 3");
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

    const QString big = QString("0123456789").repeated(4001);  // beyond 32767 characters
    ASSERT_TRUE(INIwrite(file(), "VIDEO", "V3", big));
    ASSERT_TRUE(INIwrite(file(), "VIDEO", "V1", "after"));
    EXPECT_EQ(INIread(file(), "VIDEO", "V3"), big);
}

TEST_F(IniFile, OlderFilesInWindows1252AreReadAndSavedAsUtf8) {
    const struct {
        QByteArray stored;
        QString value;  // of A/K, which is then saved back
        QByteArray saved;
    } cases[] = {
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
    for (const auto& c : cases) {
        writeBytes(file(), c.stored);
        const QString value = INIread(file(), "A", "K");
        EXPECT_EQ(value, c.value) << c.stored.toHex().toStdString();
        ASSERT_TRUE(INIwrite(file(), "A", "K", value));
        EXPECT_EQ(readBytes(file()), c.saved) << c.stored.toHex().toStdString();
    }
}

TEST_F(IniFile, FailedSavesNameTheFileAndKeepWhatIsThere) {
    // Nothing can be created in a folder that is a file.
    writeBytes(m_dir.filePath("plain"), "x");
    const QString inPlain = QDir::toNativeSeparators(m_dir.filePath("plain/Nuvo.ini"));
    QString error;
    EXPECT_FALSE(INIwrite(inPlain, "A", "K", "1", &error));
    EXPECT_TRUE(error.contains(inPlain + ": ")) << error.toStdString();

    // A settings "file" that cannot be read is not replaced by one holding a single key.
    ASSERT_TRUE(QDir().mkpath(file()));
    EXPECT_FALSE(INIwrite(file(), "A", "K", "1", &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(file()))) << error.toStdString();
    EXPECT_TRUE(QFileInfo(file()).isDir());

#ifdef Q_OS_LINUX
    // A file size limit makes the write fail after the first few kilobytes, whoever runs
    // the test; a save that wrote into the old file would leave it cut short.
    ASSERT_TRUE(QDir().rmdir(file()));
    writeBytes(file(), "[A]\r\nK=1\r\n");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    error.clear();
    const bool saved = INIwrite(file(), "A", "K", QString(40'000, u'x'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_TRUE(error.contains(file())) << error.toStdString();
    EXPECT_EQ(readBytes(file()), QByteArray("[A]\r\nK=1\r\n"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"Nuvo.ini", "plain"}));
#endif
}

}  // namespace
}  // namespace nuvo
