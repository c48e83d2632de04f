#include "app/engine.h"
#include "app/mainwindow.h"
#include "device/scriptedtransport.h"
#include "help/aboutdialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace nuvo;
using namespace nuvo::test;

static QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Receives what the desktop would be asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class AboutDialogTest : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        QTemporaryDir dir;
        ScriptedTransport transport;
        Engine engine{transport, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")}};
        MainWindow window{&engine, [this] { return engine.shutdown(); }};
        Fixture() {
            engine.load();
            window.show();
        }
        void click(const char* item) { window.findChild<QAction*>(QLatin1String(item))->trigger(); }
        QString message() {
            auto* box = window.findChild<QMessageBox*>();
            if (!box) return {};
            const QString text = box->text();
            delete box;
            return text;
        }
    };

    // Runs with a PATH holding only the given scripts; each writes its arguments to `log`.
    struct FakePath {
        QTemporaryDir bin;
        QByteArray saved = qgetenv("PATH");
        FakePath(const QStringList& tools, const QString& log) {
            for (const QString& tool : tools) {
                QFile script(bin.filePath(tool));
                script.open(QIODevice::WriteOnly);
                script.write("#!/bin/sh\necho \"$@\" > '" + log.toUtf8() + "'\n");
                script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
            qputenv("PATH", bin.path().toUtf8());
        }
        ~FakePath() { qputenv("PATH", saved); }
    };

private slots:
    void aboutShowsOneModelessBoxWithTheProgramFolder() {
        Fixture f;
        f.click("abkv");
        auto* about = f.window.findChild<QDialog*>("About");
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Program path = ") + f.dir.path());
        QVERIFY(!QApplication::activeModalWidget());

        f.click("abkv");
        QCOMPARE(f.window.findChildren<QDialog*>("About").size(), 1);
        QPointer<QDialog> shown = about;
        about->findChild<QPushButton*>("cmdOK")->click();
        QTRY_VERIFY(!shown);
    }

    void sysInfoStartsTheToolWithItsArgumentsOrTellsItIsUnavailable() {
        Fixture f;
        f.click("abkv");
        auto* sysInfo = f.window.findChild<QPushButton*>("cmdSysInfo");
        QTemporaryDir logDir;
        const QString log = logDir.filePath("started");
        {
            FakePath path({}, log);
            sysInfo->click();
            QCOMPARE(f.message(), QStringLiteral("System Information Is Unavailable At This Time"));
        }
        {
            FakePath path({"gnome-control-center"}, log);
            sysInfo->click();
            QTRY_COMPARE(contents(log), QByteArray("info-overview\n"));
            QCOMPARE(f.message(), QString());
        }
    }

    void manualOpensInTheDesktopViewerOrAMessageSaysItIsMissing() {
        Fixture f;
        const QString manual = QDir::toNativeSeparators(f.dir.filePath("Paranormal_Nuvo.pdf"));
        UrlCatcher desktop;
        QDesktopServices::setUrlHandler("file", &desktop, "open");
        f.click("usekv");
        QVERIFY(f.message().contains(manual));
        QVERIFY(desktop.opened.isEmpty());

        QFile(manual).open(QIODevice::WriteOnly);
        f.click("usekv");
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(manual)});
        QCOMPARE(f.message(), QString());
        QDesktopServices::unsetUrlHandler("file");
    }
};

QTEST_MAIN(AboutDialogTest)
#include "aboutdialog_test.moc"
