#include "help/help.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace nuvo {
namespace {

const QString kToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray data;
    for (int value : values) data.append(static_cast<char>(value));
    return data;
}

// Holds the values a test gives it, by key and name, and records every read.
class FakeRegistry : public Registry {
public:
    QHash<QString, RegistryValue> values;
    QStringList reads;

    void set(const QString& key, const QString& name, const QString& text) {
        values.insert(key + '|' + name, {kRegistryString, text.toLatin1() + '\0'});
    }
    std::optional<RegistryValue> queryValue(RegistryRoot root, const QString& key,
                                            const QString& name) override {
        EXPECT_EQ(root, RegistryRoot::LocalMachine);
        reads << key + '|' + name;
        const auto it = values.constFind(key + '|' + name);
        if (it == values.constEnd()) return std::nullopt;
        return *it;
    }
};

TEST(RegistryNumberText, IsTheHexNumberOfTheBytesLowestFirst) {
    const struct {
        QByteArray bytes;
        const char* text;
    } cases[] = {
        {bytes({1, 0, 0, 0}), "&h1"},
        {bytes({1, 0, 0}), "&h1"},  // the last zero byte cut off by the reader
        {bytes({0x01, 0x10, 0, 0}), "&h1001"},  // a byte below 0x10 keeps its two digits
        {bytes({0x10, 0x01, 0, 0}), "&h110"},
        {bytes({0, 0, 0, 0x80}), "&h80000000"},
        {bytes({0xab, 0xff, 0xff, 0xff}), "&hFFFFFFAB"},
        {QByteArray(), "&h0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(registryNumberText(c.bytes), QString::fromLatin1(c.text))
            << c.bytes.toHex().constData();
}

TEST(GetKeyValue, ReadsStringsAndNumbersAndLeavesOtherTypes) {
    const struct {
        std::optional<RegistryValue> stored;
        bool answer;
        QString text;
    } cases[] = {
        {RegistryValue{kRegistryString, QByteArray("C:\\Tools\\info.exe\0", 18)}, true,
         "C:\\Tools\\info.exe"},
        {RegistryValue{kRegistryString, "abc"}, true, "abc"},
        {RegistryValue{kRegistryString, QByteArray("ab\0\0", 4)}, true, QString("ab") + QChar(0)},
        {RegistryValue{kRegistryNumber, bytes({1, 0, 0, 0})}, true, "&h1"},
        {RegistryValue{3, "xyz"}, true, "before"},  // binary: the text stays as it was
        {std::nullopt, false, ""},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        if (c.stored) registry.values.insert("K|V", *c.stored);
        QString text = QStringLiteral("before");
        EXPECT_EQ(GetKeyValue(registry, RegistryRoot::LocalMachine, "K", "V", text), c.answer);
        EXPECT_EQ(text, c.text);
    }
}

TEST(FindSysInfo, TriesTheTwoRegistryPlacesInTurn) {
    const QString tool = QStringLiteral("C:\\Program Files\\Shared\\MSInfo\\msinfo32.exe");
    const QString folder = QStringLiteral("C:\\Program Files\\Shared\\MSInfo");
    const QString inFolder = folder + QStringLiteral("\\MSINFO32.EXE");
    const struct {
        const char* name;
        bool first, second, fileExists;
        std::optional<QString> started;
        int reads;
    } cases[] = {
        {"first place", true, false, false, tool, 1},
        {"both places: the second is not read", true, true, true, tool, 1},
        {"second place with its file", false, true, true, inFolder, 2},
        {"second place without its file", false, true, false, std::nullopt, 2},
        {"neither place", false, false, true, std::nullopt, 2},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        if (c.first) registry.set(kToolsKey, "PATH", tool);
        if (c.second) registry.set(kLocationKey, "MSINFO", folder);
        QStringList probed;
        SysInfoProbe probe;
        probe.registry = &registry;
        probe.isFile = [&](const QString& path) {
            probed << path;
            return c.fileExists;
        };
        probe.findExecutable = [](const QString& name) { return "/usr/bin/" + name; };
        const auto launch = c.started ? std::optional(ProgramLaunch{*c.started, {}}) : std::nullopt;
        EXPECT_EQ(findSysInfo(probe), launch) << c.name;
        const QStringList places{kToolsKey + "|PATH", kLocationKey + "|MSINFO"};
        EXPECT_EQ(registry.reads, places.first(c.reads)) << c.name;
        EXPECT_EQ(probed, c.second && !c.first ? QStringList{inFolder} : QStringList{}) << c.name;
    }
}

#ifndef Q_OS_MACOS
TEST(FindSysInfo, WithoutARegistryStartsADesktopInformationTool) {
    const struct {
        QStringList installed;
        std::optional<ProgramLaunch> launch;
    } cases[] = {
        {{"gnome-control-center"}, ProgramLaunch{"/opt/gnome-control-center", {"info-overview"}}},
        {{"kinfocenter", "hardinfo"}, ProgramLaunch{"/opt/hardinfo", {}}},
        {{"htop"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SysInfoProbe probe;
        probe.isFile = [](const QString&) { return true; };
        probe.findExecutable = [&](const QString& name) {
            return c.installed.contains(name) ? "/opt/" + name : QString();
        };
        EXPECT_EQ(findSysInfo(probe), c.launch) << c.installed.join(' ').toStdString();
    }
}
#endif

// The build puts the manual beside the program, where "Using this Device" looks for it, with
// a bookmark per chapter and every picture.
TEST(Manual, LiesBesideTheProgramWithItsPagesBookmarksAndPictures) {
    QFile pdf(manualPath(QStringLiteral(NUVO_PROGRAM_DIR)));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << pdf.fileName().toStdString();
    const QByteArray data = pdf.readAll();
    EXPECT_TRUE(data.startsWith("%PDF-"));
    EXPECT_TRUE(data.trimmed().endsWith("%%EOF"));
    EXPECT_GE(data.count("/Type /Page\n"), 6);

    QFile source(QStringLiteral(NUVO_MANUAL_SOURCE));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(source.readAll());
    QStringList chapters;
    for (const auto& m : QRegularExpression("^## (.+)$", QRegularExpression::MultilineOption)
                             .globalMatch(text))
        chapters.append("/Title (" + m.captured(1) + ")");
    QStringList bookmarks;
    for (const auto& m : QRegularExpression("/Title \\([^)]*\\)").globalMatch(QString::fromLatin1(data)))
        bookmarks.append(m.captured(0));
    EXPECT_EQ(bookmarks.mid(1), chapters);  // after the document's own title
    // A picture with transparency brings its mask as one more image.
    const qsizetype masks = QString::fromLatin1(data).count(QRegularExpression("/SMask \\d+ 0 R"));
    EXPECT_EQ(data.count("/Subtype /Image") - masks, text.count("!["));
}

}  // namespace
}  // namespace nuvo
