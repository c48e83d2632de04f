// The real program started where no display can be reached, as over ssh or on a console:
// the options that need no window answer, and a wrong one gets the usage and status 2.
#include "common/programversion.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Finished {
    int exitCode = -1;
    QString out, err;
};

Finished runWithoutDisplay(const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(NUVO_PROGRAM, arguments);
    if (!program.waitForFinished(30000)) return {};
    Finished run;
    if (program.exitStatus() == QProcess::NormalExit) run.exitCode = program.exitCode();
    run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

}  // namespace

TEST(Console, AnswersWithoutADisplay) {
    const struct {
        QStringList arguments;
        int exitCode;
        QString out, err;  // the start of each
    } cases[] = {
        {{"--version"}, 0, "nuvo " NUVO_VERSION "\n", ""},
        {{"--help"}, 0, "Usage: nuvo [options]\n", ""},
        {{"--simulate", "-h"}, 0, "Usage: nuvo [options]\n", ""},
        {{"--bogus"}, 2, "", "nuvo: unknown option: --bogus\n\nUsage: nuvo [options]\n"},
        {{"--settings"}, 2, "", "nuvo: --settings needs a value\n\nUsage: nuvo [options]\n"},
        {{"-platform"}, 2, "", "nuvo: -platform needs a value\n\nUsage: nuvo [options]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Finished run = runWithoutDisplay(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        // An empty expectation means nothing at all on that channel.
        EXPECT_EQ(c.out.isEmpty() ? run.out : run.out.left(c.out.size()), c.out);
        EXPECT_EQ(c.err.isEmpty() ? run.err : run.err.left(c.err.size()), c.err);
    }
}
