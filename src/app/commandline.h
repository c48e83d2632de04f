#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <span>

namespace nuvo {

struct CommandLine;
struct ProgramPaths;

// What a console command gets to work with.
struct ConsoleRun {
    const CommandLine& options;
    const ProgramPaths& paths;  // --settings and --data-dir applied
    QStringList arguments;      // the words after the command's name
};

// A command that does its work on the console and ends the program without opening a
// window, so it also runs over ssh or without a desktop. The program's own commands are
// listed in app/consolecommands.cpp.
struct ConsoleCommand {
    QString name;           // "--export-session"
    QString argumentNames;  // for the usage text: "N DIR"; optional ones in brackets, "[N]"
    int minArguments = 0;
    int maxArguments = 0;
    QString description;  // one line of the usage text
    // The exit status of the program.
    std::function<int(const ConsoleRun&)> run;
};

struct CommandLine {
    bool simulate = false;
    quint64 simulateSeed = 1;
    QString settingsFile;  // empty: the default place
    QString dataDir;       // empty: the default place
    bool showHelp = false;
    bool showVersion = false;
    bool review = false;  // --review: the Sessions window instead of the instrument
    qint64 reviewSession = 0;  // --review N: and session N's review window; 0 none
    const ConsoleCommand* command = nullptr;  // null: open the window
    QStringList commandArguments;
    QStringList toolkitArguments;  // Qt's own options (-platform NAME, -style NAME, ...)
    QString error;                 // set when the arguments could not be understood
};

// Reads the program's options (the first argument is the program itself). It needs no
// application object, so it runs before anything tries to reach a display.
CommandLine parseCommandLine(const QStringList& arguments,
                             std::span<const ConsoleCommand> commands = {});

QString commandLineHelp(std::span<const ConsoleCommand> commands = {});

}  // namespace nuvo
