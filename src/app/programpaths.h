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

// An installed program (by the package or `cmake --install`) keeps its settings in the
// user's configuration folder, whoever runs it: a system folder belongs to no one user, and
// one run as root must not leave a file there that every user then reads. A program that
// was not installed (a build, a copy on a USB stick) keeps them next to the executable when
// it is already there or that folder is writable, otherwise in the configuration folder.
// The data folder is c:\Zezovidiru_Vavi\ on Windows and ~/Zezovidiru_Vavi/ elsewhere,
// with Simulated\ (Simulated/) inside it for a run on the simulated unit.
// Options override both.
ProgramPaths resolveProgramPaths(const CommandLine& options, const QString& programDir);

// The file that installing puts beside the program, which marks its folder as installed.
extern const QString kInstalledMarker;

// Whether Nuvo.ini belongs next to the executable. An existing file there is the user's
// even when it or its folder is read-only: the save makes it writable and writes it in
// place when no file can be created beside it.
bool settingsBesideProgram(bool installed, bool fileExists, bool folderWritable);

// `dir` with exactly one trailing separator, in the platform's spelling.
QString withTrailingSeparator(const QString& dir);

}  // namespace nuvo
