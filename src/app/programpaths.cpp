#include "app/programpaths.h"

#include "app/commandline.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace nuvo {

namespace {

const QString kSettingsName = QStringLiteral("Nuvo.ini");

QString defaultSettingsFile(const QString& programDir) {
    const QDir dir(programDir);
    const QFileInfo portable(dir.filePath(kSettingsName));
    if (settingsBesideProgram(dir.exists(kInstalledMarker), portable.exists(),
                              QFileInfo(programDir).isWritable()))
        return QDir::toNativeSeparators(portable.filePath());
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(configDir);
    return QDir::toNativeSeparators(QDir(configDir).filePath(kSettingsName));
}

// A simulated run's files go to a folder of their own inside, never among a real session's.
QString defaultDataDir(bool simulated) {
#ifdef Q_OS_WIN
    const QString dir = QStringLiteral("c:\\Zezovidiru_Vavi\\");
#else
    const QString dir = withTrailingSeparator(QDir::home().filePath(QStringLiteral("Zezovidiru_Vavi")));
#endif
    return simulated ? dir + QStringLiteral("Simulated") + QDir::separator() : dir;
}

}  // namespace

const QString kInstalledMarker = QStringLiteral("installed-copy.txt");

QString withTrailingSeparator(const QString& dir) {
    QString native = QDir::toNativeSeparators(QDir::cleanPath(dir));
    if (!native.endsWith(QDir::separator())) native += QDir::separator();
    return native;
}

bool settingsBesideProgram(bool installed, bool fileExists, bool folderWritable) {
    return !installed && (fileExists || folderWritable);
}

ProgramPaths resolveProgramPaths(const CommandLine& options, const QString& programDir) {
    ProgramPaths paths;
    paths.programDir = QDir::toNativeSeparators(programDir);
    paths.settingsFile = options.settingsFile.isEmpty()
                             ? defaultSettingsFile(programDir)
                             : QDir::toNativeSeparators(QFileInfo(options.settingsFile).absoluteFilePath());
    paths.dataDir = options.dataDir.isEmpty()
                        ? defaultDataDir(options.simulate)
                        : withTrailingSeparator(QFileInfo(options.dataDir).absoluteFilePath());
    return paths;
}

}  // namespace nuvo
