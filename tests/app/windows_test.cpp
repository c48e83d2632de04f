#include "app/disclaimerwindow.h"
#include "app/engine.h"
#include "app/enginethread.h"
#include "app/mainwindow.h"
#include "app/menus.h"
#include "device/scriptedtransport.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace nuvo;
using namespace nuvo::test;

class WindowsTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        QTemporaryDir dir;
        ScriptedTransport transport;
        Engine engine{transport, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")}};
        int shutdowns = 0;
        MainWindow window{&engine, [this] {
                              ++shutdowns;
                              return engine.shutdown();
                          }};
        Fixture() { engine.load(); }
        QAction* action(const char* name) {
            return window.findChild<QAction*>(QLatin1String(name));
        }
    };

private slots:
    void menuBarMatchesTheDesign() {
        Fixture f;
        for (const MenuEntry& entry : mainMenuEntries()) {
            QAction* action = f.action(entry.name);
            QVERIFY2(action, entry.name);
            QCOMPARE(action->text(), QString::fromUtf8(entry.caption));
            QCOMPARE(action->isChecked(), entry.checked);
            QCOMPARE(action->isVisible(), entry.visible);
            // Qt reports a hidden action as disabled whatever its own state.
            if (entry.visible) QCOMPARE(action->isEnabled(), entry.enabled);
        }
        QCOMPARE(f.action("exp3")->text(), QStringLiteral("Lumivar  "));
        QCOMPARE(f.action("RFmnu")->text(), QStringLiteral("RF "));
        QVERIFY(f.action("tb100")->isChecked());
        QVERIFY(!f.action("vo4")->isVisible());
        QCOMPARE(f.window.windowTitle(), QStringLiteral("The Paranormal Nuvo Version 1"));
    }

    void checkMarksFollowTheEngine() {
        Fixture f;
        f.action("midhz1")->trigger();
        QVERIFY(f.engine.elements().checked("midhz1"));
        QVERIFY(f.action("midhz1")->isChecked());
        f.action("midhz1")->trigger();
        QVERIFY(!f.action("midhz1")->isChecked());
        // An item without behaviour yet keeps its mark.
        f.action("speechON")->trigger();
        QVERIFY(!f.action("speechON")->isChecked());
    }

    void answerTimeFollowsTheEngine() {
        Fixture f;
        f.window.show();
        auto* chosen = f.window.findChild<QRadioButton*>("Option1(1)");
        auto* other = f.window.findChild<QRadioButton*>("Option1(3)");
        QVERIFY(chosen && other);
        QVERIFY(chosen->isChecked());
        other->click();  // no answer-time behaviour in the engine yet: the choice stays
        QVERIFY(chosen->isChecked());
        QVERIFY(!other->isChecked());
    }

    void bannerShowsOnlyWhileTheUnitIsAway() {
        Fixture f;
        f.window.show();
        auto* banner = f.window.findChild<QWidget*>("Frame7");
        QVERIFY(banner);
        QCOMPARE(f.window.findChild<QLabel*>("Label3")->text(), QStringLiteral("NUVO NOT PRESENT!"));
        QVERIFY(!banner->isVisible());
        f.transport.unplug(kUnitDevice);
        QVERIFY(banner->isVisible());
        f.transport.plug(kUnitDevice);
        QVERIFY(!banner->isVisible());
    }

    void closeBoxWritesTheSettingsOnce() {
        Fixture f;
        f.window.show();
        f.window.close();
        f.window.close();
        QCOMPARE(f.shutdowns, 1);
        QVERIFY(QFile::exists(f.dir.filePath("Nuvo.ini")));
    }

    void fileExitWritesTheSettingsOnce() {
        Fixture f;
        f.window.show();
        f.action("exout")->trigger();
        QCOMPARE(f.shutdowns, 1);
        QVERIFY(!f.window.isVisible());
        QVERIFY(QFile::exists(f.dir.filePath("Nuvo.ini")));
    }

    void disclaimerAgreeNeedsTheBox() {
        DisclaimerWindow splash;
        splash.show();
        QSignalSpy agreed(&splash, &DisclaimerWindow::agreed);
        auto* agree = splash.findChild<QPushButton*>("Command1");
        QCOMPARE(agree->text(), QStringLiteral("Agree"));
        agree->click();
        QCOMPARE(agreed.count(), 0);
        auto* box = splash.findChild<QMessageBox*>();
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("You need to Check the agreement box "));
        QCOMPARE(box->windowTitle(), QStringLiteral("The Nuvo"));
        QVERIFY(splash.isVisible());
        box->close();

        splash.findChild<QCheckBox*>("Check2")->setChecked(true);
        agree->click();
        QCOMPARE(agreed.count(), 1);
        QVERIFY(!splash.isVisible());
    }

    void ecmOffMeasuresInTheEngineThread() {
        QTemporaryDir dir;
        auto owned = std::make_unique<ScriptedTransport>();
        ScriptedTransport* transport = owned.get();
        EngineThread thread(std::move(owned),
                            {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")});
        thread.start();
        Engine* engine = thread.engine();
        QMetaObject::invokeMethod(engine, [engine] { engine->menu_click("ITC4"); });
        // The tick timer must run in the engine's thread, where the engine starts it.
        QTRY_VERIFY(transport->writes().size() > 70);
        QCOMPARE(thread.shutdown(), QString());
        QVERIFY(QFile::exists(dir.filePath("Nuvo.ini")));
    }

    void disclaimerShowsItsElements() {
        DisclaimerWindow splash;
        QCOMPARE(splash.findChild<QLabel*>("lblProductName")->text(),
                 QStringLiteral("The Paranoraml Nuvo"));
        QCOMPARE(splash.findChild<QLabel*>("lblPlatform")->text(),
                 QStringLiteral("Platform WIN 98 MS XP"));
        QVERIFY(splash.findChild<QCheckBox*>("Check2")->text().startsWith(
            "I have read the Disclaimer and I Agree.\nI am over 18.\n"));
        QVERIFY(splash.findChild<QWidget*>("Text1"));
        QSignalSpy disagreed(&splash, &DisclaimerWindow::disagreed);
        splash.findChild<QPushButton*>("Command2")->click();
        QCOMPARE(disagreed.count(), 1);
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
