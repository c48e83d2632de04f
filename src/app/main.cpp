#include "app/commandline.h"
#include "app/programpaths.h"
#include "app/signalwatcher.h"
#include "app/startup.h"
#include "device/hidtransport.h"
#include "device/simulatedunit.h"
#include "ecm/qtvoices.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <memory>

using namespace nuvo;

namespace {

std::unique_ptr<Transport> makeTransport(const CommandLine& options) {
    if (!options.simulate) return std::make_unique<HidTransport>();
    // Paced like a full-speed USB unit, so the simulated program behaves like the real one.
    return std::make_unique<SimulatedUnit>(options.simulateSeed, std::chrono::milliseconds{1});
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nuvo"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    // The launcher's entry names the same icon, so the desktop groups the windows under it.
    QApplication::setDesktopFileName(QStringLiteral("nuvo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nuvo.png")));

    const CommandLine options = parseCommandLine(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "nuvo: %s\n\n%s", qPrintable(options.error),
                     qPrintable(commandLineHelp()));
        return 2;
    }
    if (options.showHelp) {
        std::printf("%s", qPrintable(commandLineHelp()));
        return 0;
    }
    if (options.showVersion) {
        std::printf("nuvo %s\n", PROJECT_VERSION);
        return 0;
    }

    const ProgramPaths paths = resolveProgramPaths(options, QApplication::applicationDirPath());
    QtVoices voices;
    StartUp startUp(paths, [&options] { return makeTransport(options); }, options.simulate,
                    voices.voices());
    QObject::connect(&voices, &QtVoices::unavailable, &startUp, &StartUp::showStatusMessage);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &startUp,
                     &StartUp::terminate);
    startUp.begin();
    return QApplication::exec();
}
