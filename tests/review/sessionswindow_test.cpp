// The Sessions window on records written by the program's own store.
#include "review/reviewwindow.h"
#include "review/sessionswindow.h"
#include "review/timelineview.h"
#include "session/manifest.h"
#include "sessionrecord.h"
#include "settings/filebytes.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QDeadlineTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace nuvo;
using namespace nuvo::test;

namespace {

constexpr qint64 kStart = 1'767'225'600'000;  // 2026-01-01 00:00 UTC

QStringList rowTexts(const SessionsWindow& window, int row) {
    const QAbstractItemModel* model = window.findChild<QTableView*>("sessionlist")->model();
    QStringList texts;
    for (int c = 0; c < model->columnCount(); ++c) texts << model->index(row, c).data().toString();
    return texts;
}

void waitForChecks(const SessionsWindow& window) {
    QDeadlineTimer deadline(5000);
    while (window.checking() && !deadline.hasExpired()) QTest::qWait(10);
    ASSERT_FALSE(window.checking());
}

std::vector<ReviewWindow*> reviewWindows() {
    std::vector<ReviewWindow*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<ReviewWindow*>(w); r && r->isVisible()) windows.push_back(r);
    return windows;
}

}  // namespace

TEST(SessionsWindow, ListsEverySessionWithItsFigures) {
    QTemporaryDir dir;
    const QString data = dir.path() + "/";
    // The first session's picture and checksum file, as its end writes them.
    SessionManifest manifest;
    const QDateTime opened = QDateTime::fromMSecsSinceEpoch(kStart - 400);
    manifest.start(data, {}, opened);
    writeBytes(data + "shot.jpg", "picture");
    {
        QFile shot(data + "shot.jpg");  // written during the session
        ASSERT_TRUE(shot.open(QIODevice::ReadWrite));
        shot.setFileTime(opened.addSecs(60), QFileDevice::FileModificationTime);
    }
    const std::vector<FileRow> files = manifest.finish();
    QString error;
    ASSERT_FALSE(manifest.write(files, &error).isEmpty());

    // Its checksum file is named in the computer's local time, as the session's offset is.
    const int offset = opened.offsetFromUtc();
    RecordedSession first{simulatedStart(kStart, offset, data), {}, SessionEnd{kStart + 600'000 + 999, offset}};
    first.rows = {tickRow(1, kStart + 10, 500, 400, 440, 1500),
                  QuestionRow{1, "Is anyone here\r\n", 10'000, kStart + 1000},
                  WordRow{1, 1, kStart + 2000, 1, "voltage", 900, true, 900, "stage ", 1, false},
                  WordRow{2, 1, kStart + 3000, 1, "voltage", 2000, false, 900, "stage ", 1, false},
                  AlarmRow{1, kStart + 10, 3, "400", "500"},
                  CaptureRow{"video", "Video_1.avi", kStart + 5000, kStart + 9000},
                  CaptureRow{"picture", "Image_1.jpg", kStart + 6000, kStart + 6000},
                  ControlRow{1, false, true, 77},
                  ControlRow{2, true, false, 78},  // blind, answered by the unit: sealed
                  ControlRow{3, true, true, 79}};
    for (const FileRow& f : files) first.rows.push_back(f);
    RecordedSession second{simulatedStart(kStart + 3'600'000, -18'000, data), {}, {}};
    second.start.unit = {"hid", "/dev/hidraw3", "0042", "1.2", {}};
    writeRecord(data, {first, second});

    SessionsWindow window(data);
    EXPECT_EQ(window.windowTitle(), "Sessions");
    waitForChecks(window);
    EXPECT_EQ(window.findChild<QTableView*>("sessionlist")->model()->rowCount(), 2);
    const QString localStart = QDateTime::fromMSecsSinceEpoch(kStart).toString("yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(rowTexts(window, 0), QStringList({"1", localStart, "0:10:00", "simulated, seed 3", "1", "2", "1", "2",
                                                "1, 2 sealed", "intact"}));
    EXPECT_EQ(rowTexts(window, 1), QStringList({"2", "2025-12-31 20:00:00", "not closed",
                                                "real, serial 0042, firmware 1.2", "0", "0", "0", "0", "0",
                                                "not closed: no checksum file yet"}));

    QFile::remove(data + "shot.jpg");
    window.findChild<QPushButton*>("refresh")->click();
    waitForChecks(window);
    EXPECT_EQ(rowTexts(window, 0).last(), "missing files: shot.jpg");
}

TEST(SessionsWindow, ReadsASessionWhileItIsBeingRecorded) {
    QTemporaryDir dir;
    SqliteSessionStore store(dir.path(), [](const QString& text) { ADD_FAILURE() << text.toStdString(); });
    store.begin(simulatedStart(kStart, 0, dir.path()));
    store.add({tickRow(1, kStart + 10, 500, 400, 440, 1500)});
    SessionsWindow window(dir.path());
    // The store commits about once a second.
    for (int i = 0; i < 40 && window.findChild<QTableView*>("sessionlist")->model()->rowCount() == 0; ++i) {
        QTest::qWait(100);
        window.refresh();
    }
    waitForChecks(window);
    ASSERT_EQ(window.findChild<QTableView*>("sessionlist")->model()->rowCount(), 1);
    EXPECT_EQ(rowTexts(window, 0)[2], "not closed");
    // Reading took nothing from the writer: it goes on.
    store.add({tickRow(2, kStart + 80, 500, 400, 440, 1500)});
    store.end({kStart + 1000, 0});
    window.refresh();
    waitForChecks(window);
    EXPECT_EQ(rowTexts(window, 0)[2], "0:00:01");
}

TEST(SessionsWindow, OpensTheChosenSessionsReviewWindow) {
    QTemporaryDir dir;
    writeRecord(dir.path(), {{simulatedStart(kStart, 0, dir.path()), {tickRow(1, kStart + 10, 500, 400, 440, 1500)},
                              SessionEnd{kStart + 5000, 0}},
                             {simulatedStart(kStart + 60'000, 0, dir.path()), {}, SessionEnd{kStart + 65'000, 0}}});
    SessionsWindow window(dir.path());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    waitForChecks(window);
    auto* table = window.findChild<QTableView*>("sessionlist");
    table->selectRow(1);
    window.findChild<QPushButton*>("open")->click();
    std::vector<ReviewWindow*> opened = reviewWindows();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]->windowTitle(), "Session 2 - 2026-01-01 00:01:00");
    opened[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QRect first = table->visualRect(table->model()->index(0, 1));
    // A double click as the window system delivers it.
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                    QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, first.center(), table->viewport()->mapToGlobal(first.center()), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(table->viewport(), &event);
    }
    opened = reviewWindows();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]->windowTitle(), "Session 1 - 2026-01-01 00:00:00");
    opened[0]->close();
}

// A blind question's source stays sealed on screen until "Unblind Session", which opens it
// in the record for good.
TEST(SessionsWindow, UnblindingShowsWhichQuestionsWereControlRuns) {
    QTemporaryDir dir;
    RecordedSession session{simulatedStart(kStart, 0, dir.path()), {}, SessionEnd{kStart + 60'000, 0}};
    session.rows = {tickRow(1, kStart + 10, 500, 400, 440, 1500),
                    QuestionRow{1, "Is anyone here\r\n", 10'000, kStart + 1000},
                    ControlRow{1, true, true, 4242},
                    WordRow{1, 1, kStart + 2000, 1, "voltage", 900, true, 900, "stage ", 1, std::nullopt},
                    QuestionEndRow{1, kStart + 11'000, false},
                    QuestionRow{2, "And now\r\n", 10'000, kStart + 20'000},
                    ControlRow{2, false, true, 4343},
                    QuestionEndRow{2, kStart + 30'000, false}};
    writeRecord(dir.path(), {session});
    SessionsWindow sessions(dir.path());
    ReviewWindow* window = sessions.openSession(1);
    ASSERT_TRUE(window);
    auto* unblind = window->findChild<QPushButton*>("unblind");
    const auto question = [&](qint64 ms) {
        window->timeline()->putCursor(ms);
        return window->findChild<QLabel*>("question")->text();
    };
    EXPECT_EQ(question(kStart + 5000), "1: Is anyone here (10 s), blind: sealed");
    EXPECT_EQ(question(kStart + 25'000), "2: And now (10 s), control run");
    ASSERT_TRUE(unblind->isEnabled());

    // Cancelled first, then confirmed.
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        QTimer::singleShot(0, [button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            box->button(button)->click();
        });
        unblind->click();
        if (button == QMessageBox::No) {
            EXPECT_EQ(question(kStart + 5000), "1: Is anyone here (10 s), blind: sealed");
        }
    }
    EXPECT_EQ(question(kStart + 5000), "1: Is anyone here (10 s), blind: control run");
    EXPECT_EQ(window->timeline()->cursorMs(), kStart + 5000);
    EXPECT_FALSE(unblind->isEnabled());
    window->close();
}

TEST(SessionsWindow, SaysWhyThereIsNothingToList) {
    QTemporaryDir dir;
    SessionsWindow window(dir.path());
    EXPECT_EQ(window.findChild<QLabel*>("status")->text(),
              QString("there is no session record in %1").arg(QDir::toNativeSeparators(dir.path())));
}
