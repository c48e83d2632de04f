#pragma once

#include <QString>

namespace nuvo {

struct CommandLine;

// Where the program finds and keeps its files.
struct ProgramPaths {
    QString programDir;    // folder of the executable (overlay picture, manual)
    QString settingsFile;  // Nuvo.ini
    QString dataDir;       // logs, pictures and recordings; ends with a separator
};

// The settings file lives next to the executable when it is already there or that folder
// is writable (portable use), otherwise in the user's configuration folder. The data
// folder is c:\Zezovidiru_Vavi\ on Windows and ~/Zezovidiru_Vavi/ elsewhere. Options
// override both.
ProgramPaths resolveProgramPaths(const CommandLine& options, const QString& programDir);

// Whether Nuvo.ini belongs next to the executable. An existing file there is the user's
// even when it or its folder is read-only: the save makes it writable and writes it in
// place when no file can be created beside it.
bool settingsBesideProgram(bool fileExists, bool folderWritable);

// `dir` with exactly one trailing separator, in the platform's spelling.
QString withTrailingSeparator(const QString& dir);

}  // namespace nuvo
