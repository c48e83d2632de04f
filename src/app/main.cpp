#include "app/commandline.h"
#include "app/disclaimerwindow.h"
#include "app/engine.h"
#include "app/enginethread.h"
#include "app/mainwindow.h"
#include "app/programpaths.h"
#include "app/signalwatcher.h"
#include "device/hidtransport.h"
#include "device/simulatedunit.h"
#include "settings/settingsfile.h"

#include <QApplication>

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
    std::unique_ptr<EngineThread> engineThread;
    std::unique_ptr<MainWindow> mainWindow;

    auto showMainWindow = [&] {
        engineThread = std::make_unique<EngineThread>(makeTransport(options), paths);
        mainWindow = std::make_unique<MainWindow>(engineThread->engine(),
                                                  [&] { return engineThread->shutdown(); });
        mainWindow->show();
        engineThread->start();
    };

    SignalWatcher signalWatcher;
    DisclaimerWindow disclaimer;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, [&] {
        if (mainWindow)
            mainWindow->closeWithoutAsking();
        else
            QApplication::quit();
    });
    QObject::connect(&disclaimer, &DisclaimerWindow::agreed, showMainWindow);
    QObject::connect(&disclaimer, &DisclaimerWindow::disagreed, &QApplication::quit);

    if (readDisclaimerCount(paths.settingsFile) > 0)
        showMainWindow();
    else
        disclaimer.show();

    const int result = QApplication::exec();
    mainWindow.reset();
    engineThread.reset();
    return result;
}
