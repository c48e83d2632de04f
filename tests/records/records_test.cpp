#include <unistd.h>

#include <QTemporaryDir>

#include "common/datetext.h"
#include "common/workstring.h"
#include "records/logfile.h"
#include "records/logformat.h"
#include "settings/filebytes.h"

using namespace nuvo;

namespace {

const QByteArray kTickColumns =
    "Time ,Ch A, Ch B , Threshold , Trend , Ch A VDC ,Ch B VDC ,Ch A Freq ,Ch B Freq ,RF ID ,";

}  // namespace

TEST(LogFormat, ExactTexts) {
    TickLogFields f;
    f.date = QStringLiteral("6/15/2008 3:04:05 PM");
    f.chA = 512.5;
    f.chB = -3;
    f.tholddsp = QStringLiteral("2.50 VDC");
    f.trenddsp = QStringLiteral("+");
    f.chaDsp = QStringLiteral("2.51 VDC");
    f.chbDsp = QStringLiteral(".00 VDC");
    f.freqA = QStringLiteral("60 Hz");
    f.freqB = QStringLiteral("0 Hz");
    f.bandsum = 0;
    f.word = QStringLiteral("don’t");
    f.tempstr = QStringLiteral("72 F");
    f.emftexta = QStringLiteral("EA");
    f.emftextb = QStringLiteral("EB");
    f.nemftext = {QStringLiteral("N1"), QStringLiteral("N2"), QStringLiteral("N3"),
                  QStringLiteral("N4")};
    const std::pair<QString, QByteArray> cases[] = {
        {dataLogHeader(), kTickColumns + "Data,Temp,Humidity ,EMFA ,EMFB ,EMFC ,EMFD ,EMFE ,"
                                         "EMFFA ,\r\n\r\n"},
        {rfLogHeader(), kTickColumns + "Data      Temp,Humidity ,IR Light Level ,EMF,\r\n\r\n"},
        {alarmLogHeader(), "\r\n Alarms Log File!\r\n"},
        {tickLogLine(f),
         "6/15/2008 3:04:05 PM,  512.5, -3, 2.50 VDC, +, 2.51 VDC, .00 VDC, "
         "60 Hz,0 Hz, 0,don\xE2\x80\x99t,72 F,Hum,EA,EB,N4,N3,N1,N2,\r\n\r\n"},
        {questionRecord(QStringLiteral("15.06.2008 15:04:05"), QStringLiteral("Who?\r\n")),
         "15.06.2008 15:04:05, NA, NA, NA, NA, NA, NA, NA,NA,User: ,Who?\r\n\r\n\r\n"},
        {alarmLogEntry(QStringLiteral("d Alarm 1 Value = 3")), "d Alarm 1 Value = 3\r\n\r\n"},
        {verifiedPictureName(QStringLiteral("/d/"), QStringLiteral("6_15_2008 3_04_05 PM"), 3),
         "/d/6_15_2008 3_04_05 PM_ 3 KVSCREEN.jpg"},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(text.toUtf8(), bytes);
}

TEST(LogFormat, DisplayLineCountCountsCrLfPairsOnly) {
    const std::pair<QString, int> cases[] = {
        {QString(), 1},
        {QStringLiteral("w\r\n").repeated(18), 19},
        {QStringLiteral("w\r\n").repeated(19), 20},
        {QStringLiteral("a\nb\rc\n\rd"), 1},
        {QStringLiteral("\r\r\n\n"), 2},
    };
    for (const auto& [text, lines] : cases) EXPECT_EQ(displayLineCount(text), lines) << lines;
}

TEST(DateText, ShortDateWithFullYearAndLongTimeWithoutZone) {
    const QDateTime afternoon(QDate(2008, 6, 15), QTime(15, 4, 5));
    const QDateTime morning(QDate(2009, 1, 2), QTime(9, 7, 8), Qt::UTC);
    const std::tuple<const char*, QDateTime, const char*> cases[] = {
        {"en_US", afternoon, "6/15/2008 3:04:05 PM"}, {"en_US", morning, "1/2/2009 9:07:08 AM"},
        {"de_DE", afternoon, "15.06.2008 15:04:05"},  {"en_GB", afternoon, "15/06/2008 15:04:05"},
        {"zh_CN", morning, "2009/1/2 09:07:08"},  // its zone comes before the time
    };
    for (const auto& [locale, when, text] : cases)
        EXPECT_EQ(generalDateText(when, QLocale(QLatin1String(locale))), QLatin1String(text))
            << locale;
}

// Whatever the date looks like where the program runs, the stamp made of it names a
// picture in the data folder, never one in a folder of its own or above it.
TEST(DateText, StampsNamePicturesInTheDataFolderInEveryLocale) {
    const QDateTime when(QDate(2026, 12, 5), QTime(18, 40, 12));
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale& locale : locales) {
        const QString name = verifiedPictureName(QStringLiteral("/d/"),
                                                 swapstring(generalDateText(when, locale)), 1);
        const QString file = name.mid(3);
        EXPECT_TRUE(name.startsWith(QLatin1String("/d/")) && !file.contains(u'/') &&
                    !file.contains(u'\\') && !file.contains(u':') && !file.startsWith(u'.'))
            << locale.name().toStdString() << ": " << name.toStdString();
    }
}

TEST(LogFile, AppendsFlushedUtf8AndNeverTruncates) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KV_data_file.csv"));
    writeBytes(path, "old\r\n");
    QString error;
    for (int run = 1; run <= 2; ++run) {
        LogFile log(path);
        ASSERT_TRUE(log.open(QStringLiteral("H\r\n"), &error)) << error.toStdString();
        const QByteArray before = readBytes(path);
        ASSERT_TRUE(log.write(QStringLiteral("it’s %1\r\n").arg(run), &error));
        // read through another handle while the log is still open
        EXPECT_EQ(readBytes(path), before + "it\xE2\x80\x99s " + QByteArray::number(run) + "\r\n");
        EXPECT_TRUE(log.isOpen());
    }
    EXPECT_EQ(readBytes(path), "old\r\nH\r\nit\xE2\x80\x99s 1\r\nH\r\nit\xE2\x80\x99s 2\r\n");
}

TEST(LogFile, FailuresNameTheFileAndTheReason) {
    QTemporaryDir dir;
    const QString readOnly = dir.filePath(QStringLiteral("ro"));
    QDir().mkdir(readOnly);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    const struct {
        QString path, header, reason;
        bool opens, needsPermissions;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing/KV.csv")), QStringLiteral("H"),
         QStringLiteral("No such file or directory"), false, false},
        {readOnly + QStringLiteral("/KV.csv"), QStringLiteral("H"),
         QStringLiteral("Permission denied"), false, true},
        {QStringLiteral("/dev/full"), QStringLiteral("H"),
         QStringLiteral("No space left on device"), false, false},
        {QStringLiteral("/dev/full"), QString(), QStringLiteral("No space left on device"), true,
         false},
    };
    for (const auto& c : cases) {
        if (c.needsPermissions && ::geteuid() == 0) continue;  // root ignores permissions
        LogFile log(c.path);
        QString error;
        EXPECT_EQ(log.open(c.header, &error), c.opens) << c.path.toStdString();
        EXPECT_EQ(log.isOpen(), c.opens);
        if (c.opens) {
            EXPECT_FALSE(log.write(QStringLiteral("line\r\n"), &error));
        }
        EXPECT_TRUE(error.contains(c.path) && error.contains(c.reason)) << error.toStdString();
    }
}
