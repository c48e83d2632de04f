#include "app/commandline.h"

namespace nuvo {

namespace {

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

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    for (qsizetype i = 1; i < arguments.size() && result.error.isEmpty(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.showHelp = true;
        } else if (arg == QLatin1String("--version")) {
            result.showVersion = true;
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
        } else {
            result.error = QStringLiteral("unknown option: %1").arg(arg);
        }
    }
    return result;
}

QString commandLineHelp() {
    return QStringLiteral(
        "Usage: nuvo [options]\n"
        "\n"
        "  --simulate[=SEED]   run on the built-in simulated unit (same SEED, same readings)\n"
        "  --settings FILE     settings file to read and write instead of Nuvo.ini\n"
        "  --data-dir DIR      folder for logs, pictures and recordings\n"
        "  --help              show this text\n"
        "  --version           show the version\n");
}

}  // namespace nuvo
