#include "app/mainwindow.h"
#include "app/signalwatcher.h"
#include "app/startup.h"
#include "device/scriptedtransport.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace nuvo;
using namespace nuvo::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Program {
    explicit Program(const QByteArray& settings = {}) {
        if (!settings.isNull()) {
            QFile file(dir.filePath("Nuvo.ini"));
            if (file.open(QIODevice::WriteOnly)) file.write(settings);
        }
    }
    QString settingsFile() const { return dir.filePath("Nuvo.ini"); }

    QTemporaryDir dir;
    StartUp startUp{{dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")},
                    [] { return std::make_unique<ScriptedTransport>(); }, true};
};

}  // namespace

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void disclaimerShowsUntilTheCounterSaysOtherwise_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("disclaimer");
        QTest::newRow("no file") << QByteArray() << true;
        QTest::newRow("zero") << QByteArray("[NAG]\r\nNAGSCREEN= 0\r\n") << true;
        QTest::newRow("negative") << QByteArray("[NAG]\r\nNAGSCREEN=-2\r\n") << true;
        QTest::newRow("not a number") << QByteArray("[NAG]\r\nNAGSCREEN=x\r\n") << true;
        QTest::newRow("one") << QByteArray("[NAG]\r\nNAGSCREEN= 1\r\n") << false;
    }
    void disclaimerShowsUntilTheCounterSaysOtherwise() {
        QFETCH(QByteArray, settings);
        QFETCH(bool, disclaimer);
        Program program(settings);
        program.startUp.begin();
        QCOMPARE(program.startUp.disclaimer().isVisible(), disclaimer);
        QCOMPARE(program.startUp.mainWindow() != nullptr, !disclaimer);
    }

    void disagreeEndsTheProgramAndWritesNothing() {
        Program program;
        program.startUp.begin();
        QTimer::singleShot(0, [&] {
            program.startUp.disclaimer().findChild<QPushButton*>("Command2")->click();
        });
        QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });  // never reached when sound
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!QFile::exists(program.settingsFile()));
        QVERIFY(!program.startUp.mainWindow());
    }

    void terminationSignalSavesTheSettings() {
        Program program("[NAG]\r\nNAGSCREEN= 3\r\n");
        SignalWatcher watcher;
        connect(&watcher, &SignalWatcher::terminationRequested, &program.startUp,
                &StartUp::terminate);
        program.startUp.begin();
        QVERIFY(program.startUp.mainWindow()->isVisible());
        std::raise(SIGTERM);
        QTRY_VERIFY(!program.startUp.mainWindow()->isVisible());
        QVERIFY(readAll(program.settingsFile()).contains("\r\nNAGSCREEN= 4\r\n"));
    }

    void exitEndsTheProgramWithOtherWindowsOpen() {
        Program program("[NAG]\r\nNAGSCREEN= 3\r\n");
        program.startUp.begin();
        QWidget other;  // a setup window or an about box left open
        other.show();
        QTimer::singleShot(0, [&] {
            program.startUp.mainWindow()->findChild<QAction*>("exout")->trigger();
        });
        QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(readAll(program.settingsFile()).contains("\r\nNAGSCREEN= 4\r\n"));
    }
};

QTEST_MAIN(StartUpTest)
#include "startup_test.moc"
