#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace nuvo {

struct CommandLine {
    bool simulate = false;
    quint64 simulateSeed = 1;
    QString settingsFile;  // empty: the default place
    QString dataDir;       // empty: the default place
    bool showHelp = false;
    bool showVersion = false;
    QString error;  // set when the arguments could not be understood
};

// Reads the program's options (the first argument is the program itself).
CommandLine parseCommandLine(const QStringList& arguments);

QString commandLineHelp();

}  // namespace nuvo
