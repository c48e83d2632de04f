#include "app/commandline.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/programpaths.h"
#include "app/unprivilegeduser.h"
#include "settings/filebytes.h"
#include "settings/inifile.h"

using namespace nuvo;
using nuvo::test::UnprivilegedUser;

namespace {
CommandLine parse(QStringList args) {
    args.prepend(QStringLiteral("nuvo"));
    return parseCommandLine(args);
}
}  // namespace

TEST(CommandLine, OptionsInBothSpellingsAndClearErrors) {
    const CommandLine a = parse({"--simulate", "--settings", "/tmp/a.ini", "--data-dir=/tmp/d"});
    EXPECT_TRUE(a.simulate && a.error.isEmpty());
    EXPECT_EQ(a.simulateSeed, 1u);
    EXPECT_EQ(a.settingsFile, "/tmp/a.ini");
    EXPECT_EQ(a.dataDir, "/tmp/d");

    const CommandLine b = parse({"--simulate=99", "--settings=/x.ini", "--version"});
    EXPECT_TRUE(b.simulate && b.showVersion && !b.showHelp);
    EXPECT_EQ(b.simulateSeed, 99u);
    EXPECT_EQ(b.settingsFile, "/x.ini");
    EXPECT_TRUE(parse({"--help"}).showHelp);
    EXPECT_FALSE(parse({}).simulate);

    // Each error names the option it is about.
    for (const QString arg : {"--bogus", "--settings", "--data-dir=", "--simulate=abc", "-style"})
        EXPECT_TRUE(parse({arg}).error.contains(arg.section('=', 0, 0))) << arg.toStdString();

    // Qt's own options are kept for the toolkit, with their values.
    EXPECT_EQ(parse({"-platform", "xcb", "--simulate", "-reverse"}).toolkitArguments,
              QStringList({"-platform", "xcb", "-reverse"}));
}

TEST(CommandLine, ReviewOpensTheSessionsAndOptionallyOneOfThem) {
    const struct {
        QStringList args;
        qint64 session;
        QString error;
    } cases[] = {
        {{"--review"}, 0, ""},
        {{"--review", "3"}, 3, ""},
        {{"--review", "--data-dir", "/d"}, 0, ""},
        {{"--review", "three"}, 0, "--review takes a session number, as --list-sessions prints"},
        {{"--review", "0"}, 0, "--review takes a session number, as --list-sessions prints"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine line = parse(c.args);
        EXPECT_EQ(line.error, c.error);
        if (!c.error.isEmpty()) continue;
        EXPECT_TRUE(line.review);
        EXPECT_EQ(line.reviewSession, c.session);
    }
    EXPECT_FALSE(parse({"--simulate"}).review);
}

TEST(CommandLine, ConsoleCommandsTakeTheirWordsUpToTheNextOption) {
    const ConsoleCommand commands[] = {
        {"--export-session", "N DIR", 2, 2, "copy a session", {}},
        {"--review", "[N]", 0, 1, "review sessions", {}},
    };
    const struct {
        QStringList args;
        int command;  // index in `commands`, -1: none
        QStringList words;
        QString error;
    } cases[] = {
        {{"--export-session", "3", "/tmp/x", "--data-dir", "/d"}, 0, {"3", "/tmp/x"}, ""},
        {{"--review"}, 1, {}, ""},
        {{"--review", "4", "5"}, 1, {"4"}, "unknown option: 5"},
        {{"--export-session", "3", "--data-dir", "/d"}, 0, {"3"}, "--export-session needs N DIR"},
        {{"--review", "--export-session", "1", "2"}, 0, {},
         "--review and --export-session cannot be given together"},
        {{"--simulate"}, -1, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QStringList args = c.args;
        args.prepend("nuvo");
        const CommandLine line = parseCommandLine(args, commands);
        EXPECT_EQ(line.error, c.error);
        if (!c.error.isEmpty()) continue;
        EXPECT_EQ(line.command, c.command < 0 ? nullptr : &commands[c.command]);
        EXPECT_EQ(line.commandArguments, c.words);
    }
    // The usage text lists them in the options' column.
    EXPECT_TRUE(commandLineHelp(commands).endsWith(
        "  --export-session N DIR copy a session\n"
        "  --review [N]        review sessions\n"));
}

TEST(ProgramPaths, SettingsStayBesideTheProgramWhereverTheyCanBeSavedThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Options override both places; the data folder ends with a separator.
    const ProgramPaths given = resolveProgramPaths(
        parse({"--simulate", "--settings", dir.filePath("my.ini"), "--data-dir", dir.filePath("data")}),
        dir.path());
    EXPECT_EQ(given.settingsFile, QDir::toNativeSeparators(dir.filePath("my.ini")));
    EXPECT_EQ(given.dataDir, QDir::toNativeSeparators(dir.filePath("data")) + QDir::separator());
    // A simulated run keeps its files apart, inside the real data folder.
    const QString real = resolveProgramPaths(parse({}), dir.path()).dataDir;
    EXPECT_EQ(resolveProgramPaths(parse({"--simulate"}), dir.path()).dataDir,
              real + "Simulated" + QDir::separator());

    const struct {
        bool fileThere, fileReadOnly, folderReadOnly;
        bool beside;  // else in the user's configuration folder
    } cases[] = {
        {false, false, false, true},  // created there
        {true, false, true, true},    // written in place
        {true, true, false, true},    // made writable by the save
        {true, true, true, true},     // both
        {false, false, true, false},  // nothing there, nothing can be made there
    };
    QStandardPaths::setTestModeEnabled(true);
    const UnprivilegedUser user(dir.path());
    const bool permissionBitsBind = nuvo::test::permissionBitsBind();
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(++n);
        if (!permissionBitsBind) {
            EXPECT_EQ(settingsBesideProgram(false, c.fileThere, !c.folderReadOnly), c.beside);
            continue;
        }
        const QString programDir = dir.filePath(QString::number(n));
        ASSERT_TRUE(QDir().mkpath(programDir));
        const QString beside = QDir::toNativeSeparators(QDir(programDir).filePath("Nuvo.ini"));
        if (c.fileThere) writeBytes(beside, "[A]\r\nK=1\r\n");
        if (c.fileReadOnly) QFile::setPermissions(beside, QFileDevice::ReadOwner);
        if (c.folderReadOnly)
            QFile::setPermissions(programDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

        const QString file = resolveProgramPaths(parse({}), programDir).settingsFile;
        EXPECT_EQ(file == beside, c.beside);
        if (c.beside) {
            QString error;
            EXPECT_TRUE(INIwrite(file, "A", "K", "2", &error)) << error.toStdString();
            EXPECT_EQ(readBytes(file), QByteArray("[A]\r\nK=2\r\n"));
        }
        QFile::setPermissions(
            programDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

// Run by whoever may write there, root included: an old Nuvo.ini beside an installed program
// is neither read nor written.
TEST(ProgramPaths, AnInstalledProgramKeepsSettingsInTheUsersConfigurationFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStandardPaths::setTestModeEnabled(true);
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString expected = QDir::toNativeSeparators(QDir(configDir).filePath("Nuvo.ini"));
    QFile::remove(expected);
    writeBytes(dir.filePath(kInstalledMarker), "");
    writeBytes(dir.filePath("Nuvo.ini"), "[NAG]\r\nNAGSCREEN= 5\r\n");

    const QString file = resolveProgramPaths(parse({}), dir.path()).settingsFile;
    EXPECT_EQ(file, expected);
    EXPECT_TRUE(QFileInfo(configDir).isDir());
    EXPECT_EQ(INIread(file, "NAG", "NAGSCREEN"), "");
}
