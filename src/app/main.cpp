#include "app/commandline.h"
#include "app/consolecommands.h"
#include "app/programpaths.h"
#include "app/signalwatcher.h"
#include "app/startup.h"
#include "common/programversion.h"
#include "device/hidtransport.h"
#include "device/simulatedunit.h"
#include "ecm/platformvoices.h"
#include "review/sessionswindow.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <memory>
#include <vector>

using namespace nuvo;

namespace {

std::unique_ptr<Transport> makeTransport(const CommandLine& options) {
    if (!options.simulate) return std::make_unique<HidTransport>();
    // Paced like a full-speed USB unit, so the simulated program behaves like the real one.
    return std::make_unique<SimulatedUnit>(options.simulateSeed, std::chrono::milliseconds{1});
}

int runConsoleCommand(int argc, char** argv, const CommandLine& options) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nuvo"));
    const ProgramPaths paths = resolveProgramPaths(options, QCoreApplication::applicationDirPath());
    return options.command->run({options, paths, options.commandArguments});
}

int runWindow(const char* program, const CommandLine& options) {
    // The toolkit sees only its own options; the program's were read already.
    std::vector<QByteArray> args{program};
    for (const QString& arg : options.toolkitArguments) args.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());

    QApplication app(argc, argv.data());
    QApplication::setApplicationName(QStringLiteral("nuvo"));
    QApplication::setApplicationVersion(QStringLiteral(NUVO_VERSION));
    // The launcher's entry names the same icon, so the desktop groups the windows under it.
    QApplication::setDesktopFileName(QStringLiteral("nuvo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nuvo.png")));

    const ProgramPaths paths = resolveProgramPaths(options, QApplication::applicationDirPath());
    PlatformVoices voices;
    if (options.review) {
        // Reviewing reads the record only: no unit, no logs, no settings written.
        SessionsWindow sessions(paths.dataDir, voices.voices());
        sessions.show();
        if (options.reviewSession) sessions.openSession(options.reviewSession);
        return QApplication::exec();
    }
    StartUp startUp(paths, [&options] { return makeTransport(options); }, options.simulate,
                    voices.voices());
    QObject::connect(&voices, &PlatformVoices::unavailable, &startUp, &StartUp::showStatusMessage);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &startUp,
                     &StartUp::terminate);
    startUp.begin();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // The options are read before any application object exists, so --help, --version,
    // a wrong option and the console commands never need a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine options = parseCommandLine(arguments, consoleCommands());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "nuvo: %s\n\n%s", qPrintable(options.error),
                     qPrintable(commandLineHelp(consoleCommands())));
        return 2;
    }
    if (options.showHelp) {
        std::printf("%s", qPrintable(commandLineHelp(consoleCommands())));
        return 0;
    }
    if (options.showVersion) {
        std::printf("nuvo %s\n", NUVO_VERSION);
        return 0;
    }
    if (options.command) return runConsoleCommand(argc, argv, options);
    return runWindow(argv[0], options);
}
