#include "app/commandline.h"

#include <algorithm>
#include <optional>

namespace nuvo {

namespace {

// Qt's own options, handed on to the toolkit when the window opens.
const QStringList kToolkitOptionsWithValue{
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style", "-stylesheet",
    "-session", "-display", "-geometry", "-qwindowgeometry", "-qwindowicon", "-qwindowtitle"};
const QStringList kToolkitFlags{"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

// Accepts both "--name VALUE" and "--name=VALUE".
std::optional<QString> optionValue(const QStringList& args, qsizetype& i, const QString& name,
                                   QString& error) {
    const QString& arg = args[i];
    QString value;
    if (arg.startsWith(name + QLatin1Char('=')))
        value = arg.mid(name.size() + 1);
    else if (arg == name && i + 1 < args.size())
        value = args[++i];
    else if (arg != name)
        return std::nullopt;
    if (value.isEmpty()) error = QStringLiteral("%1 needs a value").arg(name);
    return value;
}

bool takeToolkitOption(const QStringList& args, qsizetype& i, QStringList& toolkit,
                       QString& error) {
    const QString& arg = args[i];
    if (kToolkitFlags.contains(arg)) {
        toolkit.append(arg);
        return true;
    }
    if (!kToolkitOptionsWithValue.contains(arg)) return false;
    if (i + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a value").arg(arg);
        return true;
    }
    toolkit << arg << args[++i];
    return true;
}

// The command's words are the arguments up to the next option, at most as many as it takes.
void takeCommand(const QStringList& args, qsizetype& i, const ConsoleCommand& command,
                 CommandLine& result) {
    if (result.command) {
        result.error = QStringLiteral("%1 and %2 cannot be given together")
                           .arg(result.command->name, command.name);
        return;
    }
    result.command = &command;
    while (result.commandArguments.size() < command.maxArguments && i + 1 < args.size() &&
           !args[i + 1].startsWith(QLatin1Char('-')))
        result.commandArguments.append(args[++i]);
    if (result.commandArguments.size() < command.minArguments)
        result.error = QStringLiteral("%1 needs %2").arg(command.name, command.argumentNames);
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments,
                             std::span<const ConsoleCommand> commands) {
    CommandLine result;
    for (qsizetype i = 1; i < arguments.size() && result.error.isEmpty(); ++i) {
        const QString& arg = arguments[i];
        const auto command = std::find_if(commands.begin(), commands.end(),
                                          [&arg](const ConsoleCommand& c) { return c.name == arg; });
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.showHelp = true;
        } else if (arg == QLatin1String("--version")) {
            result.showVersion = true;
        } else if (command != commands.end()) {
            takeCommand(arguments, i, *command, result);
        } else if (arg == QLatin1String("--review")) {
            result.review = true;
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-'))) {
                bool ok = false;
                result.reviewSession = arguments[++i].toLongLong(&ok);
                if (!ok || result.reviewSession < 1)
                    result.error = QStringLiteral("--review takes a session number, as --list-sessions prints");
            }
        } else if (arg == QLatin1String("--simulate")) {
            result.simulate = true;
        } else if (arg.startsWith(QLatin1String("--simulate="))) {
            bool ok = false;
            result.simulateSeed = arg.mid(11).toULongLong(&ok);
            result.simulate = true;
            if (!ok) result.error = QStringLiteral("--simulate takes a whole number as seed");
        } else if (auto file = optionValue(arguments, i, QStringLiteral("--settings"),
                                           result.error)) {
            result.settingsFile = *file;
        } else if (auto dir = optionValue(arguments, i, QStringLiteral("--data-dir"),
                                          result.error)) {
            result.dataDir = *dir;
        } else if (!takeToolkitOption(arguments, i, result.toolkitArguments, result.error)) {
            result.error = QStringLiteral("unknown option: %1").arg(arg);
        }
    }
    return result;
}

QString commandLineHelp(std::span<const ConsoleCommand> commands) {
    QString help = QStringLiteral(
        "Usage: nuvo [options]\n"
        "\n"
        "  --simulate[=SEED]   run on the built-in simulated unit (same SEED, same readings)\n"
        "  --settings FILE     settings file to read and write instead of Nuvo.ini\n"
        "  --data-dir DIR      folder for logs, pictures and recordings\n"
        "  --review [N]        review the sessions kept in the data folder (session N at once)\n"
        "  --help              show this text\n"
        "  --version           show the version\n");
    if (commands.empty()) return help;
    help += QStringLiteral("\nOn the console, without a window (with --settings and --data-dir):\n");
    for (const ConsoleCommand& command : commands) {
        const QString synopsis =
            QStringLiteral("  %1 %2").arg(command.name, command.argumentNames).trimmed();
        help += QStringLiteral("  %1 %2\n").arg(synopsis.leftJustified(19), command.description);
    }
    return help;
}

}  // namespace nuvo
