#include "app/commandline.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/programpaths.h"
#include "settings/filebytes.h"
#include "settings/inifile.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace nuvo;

namespace {
CommandLine parse(QStringList args) {
    args.prepend(QStringLiteral("nuvo"));
    return parseCommandLine(args);
}

// Permission bits do not bind root. Run as root, as CI is, the test hands its folder to an
// unprivileged user and acts as that user while this lives; the saved id is the way back.
class UnprivilegedUser {
public:
    explicit UnprivilegedUser(const QString& dir) {
#ifdef Q_OS_LINUX
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0)
            m_dropped = chown(QFile::encodeName(dir).constData(), kNobody, gid_t(-1)) == 0 &&
                        setresuid(kNobody, kNobody, 0) == 0;
#endif
    }
    ~UnprivilegedUser() {
#ifdef Q_OS_LINUX
        if (m_dropped && setresuid(0, 0, 0) != 0) std::abort();
#endif
    }
    UnprivilegedUser(const UnprivilegedUser&) = delete;
    UnprivilegedUser& operator=(const UnprivilegedUser&) = delete;

    bool permissionBitsBind() const {
#ifdef Q_OS_UNIX
        return geteuid() != 0;
#else
        return false;  // a read-only folder still takes new files
#endif
    }

private:
    bool m_dropped = false;
};
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
    const CommandLine options =
        parse({"--settings", dir.filePath("my.ini"), "--data-dir", dir.filePath("data")});
    const ProgramPaths paths = resolveProgramPaths(options, dir.path());
    EXPECT_EQ(paths.settingsFile, QDir::toNativeSeparators(dir.filePath("my.ini")));
    EXPECT_EQ(paths.dataDir, QDir::toNativeSeparators(dir.filePath("data")) + QDir::separator());
}

TEST(ProgramPaths, SettingsStayBesideTheProgramWhereverTheyCanBeSavedThere) {
    struct Case {
        bool fileThere, fileReadOnly, folderReadOnly;
        bool beside;  // else in the user's configuration folder
    };
    const Case cases[] = {
        {false, false, false, true},  // created there
        {true, false, true, true},    // written in place
        {true, true, false, true},    // made writable by the save
        {true, true, true, true},     // both
        {false, false, true, false},  // nothing there, nothing can be made there
    };
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const UnprivilegedUser user(dir.path());
    if (!user.permissionBitsBind()) {
        for (const Case& c : cases)
            EXPECT_EQ(settingsBesideProgram(c.fileThere, !c.folderReadOnly), c.beside);
        return;
    }
    int n = 0;
    for (const Case& c : cases) {
        const QString programDir = dir.filePath(QString::number(++n));
        ASSERT_TRUE(QDir().mkpath(programDir));
        const QString beside = QDir::toNativeSeparators(QDir(programDir).filePath("Nuvo.ini"));
        if (c.fileThere) writeBytes(beside, "[A]\r\nK=1\r\n");
        if (c.fileReadOnly) QFile::setPermissions(beside, QFileDevice::ReadOwner);
        if (c.folderReadOnly)
            QFile::setPermissions(programDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

        const QString file = resolveProgramPaths(parse({}), programDir).settingsFile;
        EXPECT_EQ(file == beside, c.beside) << "case " << n;
        if (c.beside) {
            QString error;
            EXPECT_TRUE(INIwrite(file, "A", "K", "2", &error)) << error.toStdString();
            EXPECT_EQ(readBytes(file), QByteArray("[A]\r\nK=2\r\n")) << "case " << n;
        }
        QFile::setPermissions(
            programDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}
