#include "app/consolecommands.h"

#include "app/programpaths.h"
#include "session/blindcontrols.h"
#include "session/sessiondatabase.h"
#include "session/sessionexport.h"
#include "session/sessionverify.h"

#include <QTextStream>

#include <cstdio>
#include <optional>
#include <vector>

namespace nuvo {

namespace {

int fail(const QString& why) {
    std::fprintf(stderr, "nuvo: %s\n", qPrintable(why));
    return 1;
}

int listSessionsCommand(const ConsoleRun& run) {
    const SessionDatabase db(run.paths.dataDir);
    if (!db.error().isEmpty()) return fail(db.error());
    QTextStream out(stdout);
    listSessions(db, out);
    return 0;
}

std::optional<qint64> sessionNumber(const QString& text) {
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return id;
}

const QString kNotANumber = QStringLiteral("N must be a session number, as --list-sessions prints");

int verifySessionCommand(const ConsoleRun& run) {
    const auto id = sessionNumber(run.arguments[0]);
    if (!id) return fail(kNotANumber);
    const SessionDatabase db(run.paths.dataDir);
    if (!db.error().isEmpty()) return fail(db.error());
    QTextStream out(stdout);
    return verifySession(db, *id, out);
}

int exportSessionCommand(const ConsoleRun& run) {
    const auto number = sessionNumber(run.arguments[0]);
    if (!number) return fail(kNotANumber);
    const qint64 id = *number;
    const SessionDatabase db(run.paths.dataDir);
    if (!db.error().isEmpty()) return fail(db.error());
    QString error;
    const QStringList files = exportSession(db, id, run.arguments[1], &error);
    if (files.isEmpty()) return fail(error);
    std::printf("%s\n", qPrintable(files.join(u'\n')));
    return 0;
}

int unblindSessionCommand(const ConsoleRun& run) {
    const auto id = sessionNumber(run.arguments[0]);
    if (!id) return fail(kNotANumber);
    QString error;
    const int opened = unblindSession(run.paths.dataDir, *id, &error);
    if (opened < 0) return fail(error);
    std::printf("session %lld: %d blind questions unblinded\n", *id, opened);
    return 0;
}

}  // namespace

std::span<const ConsoleCommand> consoleCommands() {
    // A new command is one entry: {name, argument names, fewest and most arguments,
    // description, function returning the exit status}.
    static const std::vector<ConsoleCommand> commands{
        {QStringLiteral("--list-sessions"), {}, 0, 0,
         QStringLiteral("print the sessions kept in the data folder"), listSessionsCommand},
        {QStringLiteral("--export-session"), QStringLiteral("N DIR"), 2, 2,
         QStringLiteral("write session N into DIR as CSV files and one JSON document"),
         exportSessionCommand},
        {QStringLiteral("--verify-session"), QStringLiteral("N"), 1, 1,
         QStringLiteral("recompute session N from the unit's reports and compare"),
         verifySessionCommand},
        {QStringLiteral("--unblind-session"), QStringLiteral("N"), 1, 1,
         QStringLiteral("show which of session N's blind questions the random source answered"),
         unblindSessionCommand},
    };
    return commands;
}

}  // namespace nuvo
