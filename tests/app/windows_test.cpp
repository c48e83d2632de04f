#include "app/disclaimerwindow.h"
#include "app/engine.h"
#include "app/enginethread.h"
#include "app/mainwindow.h"
#include "capture/capturesetup.h"
#include "capture/recordingelements.h"
#include "scope/scopeview.h"
#include "device/scriptedtransport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QStatusBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
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
        QStringList calls;
        RecordingVideo video{calls};
        RecordingAudio audio{calls};
        int shutdowns = 0;
        MainWindow window{&engine, [this] {
                              ++shutdowns;
                              return engine.shutdown();
                          }};
        Fixture() {
            video.deviceNames = {"Cam A"};
            video.formatNames = {{"640 x 480", "320 x 240"}};
            engine.setCaptureElements(&video, &audio);
            engine.load();
        }
        QAction* action(const char* name) {
            return window.findChild<QAction*>(QLatin1String(name));
        }
    };

private slots:
    // What the user sees: every pixel of the window, and of a message box opened then, is
    // red or black at night; the sizes scale geometry and fonts and keep the layout.
    void nightModeAndSizesReachEveryPixel() {
        Fixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const auto nonRed = [](QWidget& widget) {
            QTest::qWait(50);  // palette and style changes reach the widgets as events
            const QImage image = widget.grab().toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    // The style's bevels blend a little of other colours into the reds.
                    const int limit = std::max(24, c.red() * 2 / 3);
                    if (c.green() > limit || c.blue() > limit) ++count;
                }
            return count;
        };
        QVERIFY(nonRed(f.window) > 1000);  // the day's colours
        f.action("nightmode")->trigger();
        QVERIFY(f.engine.elements().checked("nightmode"));
        QVERIFY(nonRed(f.window) < 100);  // a few bevel pixels of the scroll bars
        QMessageBox box(QMessageBox::NoIcon, "The Nuvo", "A message", QMessageBox::Ok);
        box.show();
        QVERIFY(nonRed(box) < 100);
        box.close();
        f.action("nightmode")->trigger();
        QVERIFY(nonRed(f.window) > 1000);

        auto* display = f.window.findChild<QWidget*>("main_display");
        const QRect normal = display->geometry();
        const QSize area = f.window.centralWidget()->size();
        const struct {
            const char* item;
            int percent;
        } steps[] = {{"larger", 125}, {"larger", 150}, {"smaller", 125}, {"normalsize", 100},
                     {"smaller", 100}, {"larger", 125}, {"larger", 150}, {"larger", 175},
                     {"larger", 200}, {"larger", 225}, {"larger", 250}, {"larger", 250}};
        for (const auto& step : steps) {
            f.action(step.item)->trigger();
            QCOMPARE(f.window.scalePercent(), step.percent);
        }
        f.window.setScalePercent(200);
        QVERIFY(qAbs(display->x() - 2 * normal.x()) <= 2 && qAbs(display->width() - 2 * normal.width()) <= 2);
        QVERIFY(qAbs(f.window.centralWidget()->width() - 2 * area.width()) <= 2);
        QCOMPARE(display->font().pointSizeF(), 24.0);  // 12 pt at 200 %
        QCOMPARE(f.action("larger")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Plus));
        QCOMPARE(f.action("normalsize")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
    }

    void checkMarksFollowTheEngine() {
        Fixture f;
        f.action("midhz1")->trigger();
        QVERIFY(f.engine.elements().checked("midhz1"));
        QVERIFY(f.action("midhz1")->isChecked());
        f.action("midhz1")->trigger();
        QVERIFY(!f.action("midhz1")->isChecked());
    }

    void enterSendsTheQuestionAndTheBoxWaitsForTheAnswer() {
        Fixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        auto* question = f.window.findChild<QPlainTextEdit*>("question");
        QTRY_VERIFY(question->hasFocus());
        f.window.findChild<QRadioButton*>("Option1(0)")->click();
        QVERIFY(f.window.findChild<QRadioButton*>("Option1(0)")->isChecked());
        QVERIFY(!f.window.findChild<QRadioButton*>("Option1(1)")->isChecked());
        QTest::keyClicks(question, "Is anyone here");  // replaces the prompt text
        QTest::keyClick(question, Qt::Key_Return);
        auto* display = f.window.findChild<QPlainTextEdit*>("main_display");
        QCOMPARE(display->toPlainText(), QStringLiteral("User: Is anyone here\n"));
        QCOMPARE(question->toPlainText(), QString());
        QVERIFY(!question->isEnabled());
        QCOMPARE(question->palette().color(QPalette::Base), QColor(Qt::black));

        f.engine.asktimer_tick();
        QVERIFY(question->isEnabled());
        QCOMPARE(question->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
        QTRY_VERIFY(question->hasFocus());
        QVERIFY(display->toPlainText().endsWith("** No response** \n"));
    }

    // "N" and "M" mark the moment from the keyboard with the note typed before, but are
    // letters while a question or the note is typed; the marker shows in the video's
    // picture for a while and goes on the capture's subtitles.
    void markerKeysMarkTheMomentWithTheirNote() {
        Fixture f;
        f.video.recordingNow = {f.dir.filePath("data/m.AVI"), 4000};
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        auto* question = f.window.findChild<QPlainTextEdit*>("question");
        QTRY_VERIFY(question->hasFocus());
        QTest::keyClicks(question, "Mn");
        auto* note = f.window.findChild<QLineEdit*>("markernote");
        note->setFocus();
        QTest::keyClicks(note, "car  passing ");
        QCOMPARE(f.video.overlays().marker, QString());
        auto* display = f.window.findChild<QPlainTextEdit*>("main_display");
        display->setFocus();
        QTest::keyClick(display, Qt::Key_N);
        QCOMPARE(f.video.overlays().marker, QStringLiteral("Noise: car passing"));
        QCOMPARE(note->text(), QString());
        f.window.findChild<QPushButton*>("marknote")->click();
        QCOMPARE(f.video.overlays().marker, QStringLiteral("Note"));
        QVERIFY(display->hasFocus());
        QTRY_COMPARE_WITH_TIMEOUT(f.video.overlays().marker, QString(), Engine::kMarkerShownMs + 1000);
        f.video.recordingNow = {};
        f.engine.menu_click("ITC2");  // the capture ended
        QFile srt(f.dir.filePath("data/m.srt"));
        QVERIFY(srt.open(QIODevice::ReadOnly));
        QCOMPARE(srt.readAll(), QByteArray("1\r\n00:00:04,000 --> 00:00:07,000\r\nNoise: car passing\r\n\r\n"
                                           "2\r\n00:00:04,000 --> 00:00:07,000\r\nNote\r\n\r\n"));
    }

    // However many lines the answers bring, the newest stays in sight.
    void mainDisplayShowsItsLastLine() {
        Fixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.engine.menu_click("ITC2");
        f.transport.respond = [](const Report& out) {  // position 13: "." ends each line
            return out[1] == '>' ? answerBytes({0, 0, 0, 0, 0, 1, 0, 12})
                                 : answerBytes({1, 0, 1, 0, 1, 0, 1, 0});
        };
        for (int i = 1; i <= 8; ++i) {  // 15 lines: 8 questions, 7 answers
            f.engine.question_change(QStringLiteral("Question %1\r\n").arg(i));
            if (i == 8) break;
            f.engine.speechtimer_tick();
            f.engine.speechtimer_tick();
            f.engine.asktimer_tick();
        }
        auto* display = f.window.findChild<QPlainTextEdit*>("main_display");
        QCOMPARE(display->document()->blockCount(), 16);  // and the empty line after them
        const QTextCursor last(display->document()->lastBlock().previous());
        QCOMPARE(last.block().text(), QStringLiteral("User: Question 8"));
        const QRect line = display->cursorRect(last);
        QVERIFY2(display->viewport()->rect().contains(line), "the last line is out of sight");
        if (qEnvironmentVariableIsSet("NUVO_SCREENSHOTS"))
            f.window.grab().save(qEnvironmentVariable("NUVO_SCREENSHOTS") + "/display-after-15-lines.png");
    }

    void readingsAndScopeReachTheWindow() {
        Fixture f;
        f.transport.respond = [](const Report&) {
            return answerBytes({0, 100, 0, 100, 1, 0xB8, 0, 60});
        };
        f.engine.speechtimer_tick();
        f.engine.speechtimer_tick();
        for (const char* name : {"FREQA", "FREQB", "CHA_DSP", "tempdisp", "EMFdisplay1"}) {
            const QString shown = f.window.findChild<QLineEdit*>(name)->text();
            QVERIFY2(!shown.trimmed().isEmpty(), name);
            QCOMPARE(shown, f.engine.elements().text(name));
        }
        // The band colour stays cyan tick after tick: its style is applied once.
        struct StyleCounter : QObject {
            int changes = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                changes += event->type() == QEvent::StyleChange;
                return false;
            }
        } counter;
        f.window.show();  // only a polished widget restyles
        auto* freqA = f.window.findChild<QLineEdit*>("FREQA");
        freqA->installEventFilter(&counter);
        for (quint8 hz = 100; hz < 105; ++hz) {  // a new text on every tick
            f.transport.respond = [hz](const Report&) {
                return answerBytes({0, 100, 0, 100, 1, hz, 0, 60});
            };
            f.engine.speechtimer_tick();
        }
        QCOMPARE(freqA->text(), QStringLiteral(" 360 Hz"));
        QCOMPARE(counter.changes, 0);
        QCOMPARE(freqA->palette().color(QPalette::Text), QColor(0, 255, 255));

        auto* scope = f.window.findChild<ScopeView*>("oscope");
        QVERIFY(scope->frame().showab);
        QCOMPARE(scope->frame().scopeab, f.engine.measure().scopeab);
    }

    void scopeMenusChooseWhatTheScopeDraws() {
        Fixture f;
        auto* scope = f.window.findChild<ScopeView*>("oscope");
        const auto drawn = [&] {
            f.engine.speechtimer_tick();
            const ScopeFrame& frame = scope->frame();
            return QList<int>{frame.step, frame.showab, frame.showA, frame.showb};
        };
        const struct {
            const char* item;
            QList<int> drawn;  // step, A + B, A, B
        } clicks[] = {
            {"tb5", {300, 1, 0, 0}},  {"tb1", {500, 1, 0, 0}},   {"tb10", {150, 1, 0, 0}},
            {"tb100", {30, 1, 0, 0}}, {"ShowA", {30, 1, 1, 0}}, {"showab", {30, 0, 1, 0}},
            {"showb", {30, 0, 1, 1}}, {"ShowA", {30, 0, 0, 1}},
        };
        for (const auto& click : clicks) {
            f.action(click.item)->trigger();
            QCOMPARE(drawn(), click.drawn);
        }
    }

    void alarmPromptsReadTheUsersDecimalPoint() {
        const QLocale before;
        const struct {
            QLocale locale;
            const char* item;
            const char* typed;
            const char* shown;  // status line after the prompt
            const char* stored;
            quint8 quiet[8], tripping[8];  // answers: below and above the set value
        } cases[] = {
            // 0.61 V trips at 0.5 V, and 0.37 V does not.
            {QLocale(QLocale::German, QLocale::Germany), "Alarm1", "0,5",
             "Voltage above is armed at 0,5 Vdc", "ALARM1V=0.5", {0, 30, 0, 30, 0, 60, 0, 60},
             {0, 50, 0, 50, 0, 60, 0, 60}},
            // "2,500" stays 2500 Hz: 2000 Hz does not trip, 3000 Hz does.
            {QLocale::c(), "alarm3", "2,500", "Frequency Above is armed at 2500 Hz",
             "ALARM3V=2500", {0, 50, 0, 50, 0x07, 0xD0, 0x07, 0xD0},
             {0, 50, 0, 50, 0x0B, 0xB8, 0x0B, 0xB8}},
        };
        for (const auto& c : cases) {
            QLocale::setDefault(c.locale);
            Fixture f;
            QTimer::singleShot(0, [&] {
                auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                QVERIFY(prompt);
                prompt->setTextValue(QString::fromLatin1(c.typed));
                prompt->accept();
            });
            f.action(c.item)->trigger();
            QCOMPARE(f.window.statusBar()->currentMessage(), QString::fromUtf8(c.shown));
            const auto tick = [&](const quint8 (&answer)[8]) {
                std::vector<quint8> bytes{0};  // the report number, then the answer
                bytes.insert(bytes.end(), std::begin(answer), std::end(answer));
                f.transport.respond = [bytes](const Report&) { return bytes; };
                f.engine.speechtimer_tick();  // the levels reach the alarms on the next tick
                f.engine.speechtimer_tick();
                return f.engine.elements().text("alarmdisplay").count("\r\n");
            };
            f.action("ITC4")->trigger();
            QCOMPARE(tick(c.quiet), 0);
            QVERIFY(tick(c.tripping) > 0);
            f.action("ITC4")->trigger();
            QVERIFY(f.engine.shutdown().isEmpty());
            QFile ini(f.dir.filePath("Nuvo.ini"));
            QVERIFY(ini.open(QIODevice::ReadOnly));
            QVERIFY2(ini.readAll().contains(QByteArray(c.stored) + "\r\n"), c.stored);
        }
        QLocale::setDefault(before);
    }

    void ecmOffLeavesTheOffsetSliderClickable() {
        Fixture f;
        f.window.show();
        f.action("ITC4")->trigger();
        auto* slider = f.window.findChild<QSlider*>("ofs");
        QWidget* area = slider->parentWidget();
        for (double fraction : {0.1, 0.3, 0.5, 0.9}) {
            const QPoint inSlider(int(slider->width() * fraction), slider->height() / 2);
            QWidget* hit = area->childAt(slider->mapTo(area, inSlider));
            QVERIFY2(hit == slider, qPrintable(QString::number(fraction)));
        }
        const int before = slider->value();
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() * 3 / 10, slider->height() / 2));
        QVERIFY(slider->value() != before);
        QTRY_COMPARE(f.engine.measure().offset, qint16(slider->value()));
    }

    void runMarksShowInTheTitleAndTheStatusLine() {
        Fixture f;
        auto* mark = f.window.findChild<QLabel*>("runmark");
        const QString caption = f.engine.elements().text("mainform");
        QCOMPARE(f.window.windowTitle(), caption);
        f.engine.setRunMark(kSimulatedRun, true);
        QCOMPARE(f.window.windowTitle(), caption + " - Simulated unit");
        QCOMPARE(mark->text(), QStringLiteral("Simulated unit"));
        f.engine.setRunMark(kSimulatedRun, false);
        QCOMPARE(f.window.windowTitle(), caption);
        QCOMPARE(mark->text(), QString());
    }

    void closeBoxAndFileExitShutDownOnce() {
        for (const bool viaMenu : {false, true}) {
            Fixture f;
            f.window.show();
            if (viaMenu) f.action("exout")->trigger();
            f.window.close();
            QCOMPARE(f.shutdowns, 1);
            QVERIFY(!f.window.isVisible());
            QVERIFY(QFile::exists(f.dir.filePath("Nuvo.ini")));
        }
    }

    void disclaimerAgreeNeedsTheBox() {
        DisclaimerWindow splash;
        splash.show();
        QSignalSpy agreed(&splash, &DisclaimerWindow::agreed);
        auto* agree = splash.findChild<QPushButton*>("Command1");
        agree->click();
        QCOMPARE(agreed.count(), 0);
        auto* box = splash.findChild<QMessageBox*>();
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("You need to Check the agreement box "));
        QVERIFY(splash.isVisible());
        box->close();

        splash.findChild<QCheckBox*>("Check2")->setChecked(true);
        agree->click();
        QCOMPARE(agreed.count(), 1);
        QVERIFY(!splash.isVisible());
    }

    void captureSetupWindowDrivesTheVideo() {
        Fixture f;
        f.video.startResult = CaptureStart::Failed;
        f.action("vidtext")->trigger();
        auto* setup = f.window.findChild<QWidget*>("vid2");
        QVERIFY(setup && setup->isVisible());
        QCOMPARE(setup->findChild<QComboBox*>("cboVideoFormat")->count(), 2);
        QCOMPARE(setup->findChild<QComboBox*>("cbofontsize")->currentText(), QStringLiteral("12"));

        auto* left = setup->findChild<QLineEdit*>("txtLeft");
        left->clear();
        QTest::keyClicks(left, "4x5");  // the letter is refused
        QCOMPARE(left->text(), QStringLiteral("45"));
        QTest::keyClicks(setup->findChild<QLineEdit*>("txtText"), "Team 9");
        setup->findChild<QPushButton*>("Command10")->click();
        QCOMPARE(f.video.overlays().text.text, QStringLiteral("Team 9\n\r"));
        QCOMPARE(f.video.overlays().text.left, 45);

        setup->findChild<QComboBox*>("cbotextstyle")->setCurrentIndex(3);
        emit setup->findChild<QComboBox*>("cbotextstyle")->activated(3);
        QVERIFY(setup->findChild<QComboBox*>("cbohashbrushstyle")->isEnabled());

        f.engine.captureSetup()->file_chosen("Command2", f.dir.filePath("x.avi"));
        auto* box = setup->findChild<QMessageBox*>();
        QVERIFY(box);
        QCOMPARE(box->text(), CaptureSetup::kCaptureFailure);
        box->close();

        setup->findChild<QPushButton*>("Command1")->click();  // "Preview"
        QVERIFY(!f.window.findChild<QWidget*>("Video")->isHidden());

        setup->close();  // only hidden: the texts last and are saved
        QVERIFY(f.window.findChild<QWidget*>("vid2"));
        f.engine.shutdown();
        QFile ini(f.dir.filePath("Nuvo.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("V1=Team 9\r\n"));
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
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
