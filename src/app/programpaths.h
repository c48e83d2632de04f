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

// The settings file lives next to the executable when that folder is writable (portable
// use), otherwise in the user's configuration folder. The data folder is
// c:\Zezovidiru_Vavi\ on Windows and ~/Zezovidiru_Vavi/ elsewhere. Options override both.
ProgramPaths resolveProgramPaths(const CommandLine& options, const QString& programDir);

// `dir` with exactly one trailing separator, in the platform's spelling.
QString withTrailingSeparator(const QString& dir);

}  // namespace nuvo
