#include "app/commandline.h"
#include "app/programpaths.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace nuvo;

namespace {
CommandLine parse(QStringList args) {
    args.prepend(QStringLiteral("nuvo"));
    return parseCommandLine(args);
}
}  // namespace

TEST(CommandLine, OptionsInBothSpellings) {
    const CommandLine a = parse({"--simulate", "--settings", "/tmp/a.ini", "--data-dir=/tmp/d"});
    EXPECT_TRUE(a.simulate);
    EXPECT_EQ(a.simulateSeed, 1u);
    EXPECT_EQ(a.settingsFile, "/tmp/a.ini");
    EXPECT_EQ(a.dataDir, "/tmp/d");
    EXPECT_TRUE(a.error.isEmpty());

    const CommandLine b = parse({"--simulate=99", "--settings=/x.ini", "--version"});
    EXPECT_TRUE(b.simulate);
    EXPECT_EQ(b.simulateSeed, 99u);
    EXPECT_EQ(b.settingsFile, "/x.ini");
    EXPECT_TRUE(b.showVersion);
    EXPECT_TRUE(parse({"--help"}).showHelp);
    EXPECT_FALSE(parse({}).simulate);
}

TEST(CommandLine, BadArgumentsGiveAClearError) {
    EXPECT_EQ(parse({"--bogus"}).error, "unknown option: --bogus");
    EXPECT_EQ(parse({"--settings"}).error, "--settings needs a value");
    EXPECT_EQ(parse({"--data-dir="}).error, "--data-dir needs a value");
    EXPECT_FALSE(parse({"--simulate=abc"}).error.isEmpty());
}

TEST(ProgramPaths, OptionsOverrideAndTheDataFolderEndsWithASeparator) {
    QTemporaryDir dir;
    const CommandLine options = parse({"--settings", dir.filePath("my.ini"), "--data-dir",
                                       dir.filePath("data")});
    const ProgramPaths paths = resolveProgramPaths(options, dir.path());
    EXPECT_EQ(paths.settingsFile, QDir::toNativeSeparators(dir.filePath("my.ini")));
    EXPECT_EQ(paths.dataDir, QDir::toNativeSeparators(dir.filePath("data")) + QDir::separator());
}

TEST(ProgramPaths, SettingsBesideTheProgramWhenItsFolderIsWritable) {
    QTemporaryDir dir;
    const ProgramPaths paths = resolveProgramPaths(parse({}), dir.path());
    EXPECT_EQ(paths.settingsFile, QDir::toNativeSeparators(dir.filePath("Nuvo.ini")));
    EXPECT_TRUE(paths.dataDir.endsWith(QStringLiteral("Zezovidiru_Vavi") + QDir::separator()));
}
