// "Review" > "Sessions..." in the main window, through the engine.
#include "app/engine.h"
#include "app/mainwindow.h"
#include "device/scriptedtransport.h"
#include "review/sessionswindow.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace nuvo;

TEST(ReviewMenu, SessionsOpensOneSessionsWindowOnTheDataFolder) {
    QTemporaryDir dir;
    test::ScriptedTransport transport;
    Engine engine{transport, {dir.path(), dir.filePath("Nuvo.ini"), dir.filePath("data/")}};
    MainWindow window{&engine, [&] { return engine.shutdown(); }};
    engine.load();
    QMenu* review = window.findChild<QMenu*>("reviewmnu");
    ASSERT_TRUE(review);
    EXPECT_EQ(review->title(), "Review");
    EXPECT_EQ(window.menuBar()->actions().contains(review->menuAction()), true);
    QAction* sessions = window.findChild<QAction*>("sessions");
    ASSERT_TRUE(sessions);
    EXPECT_EQ(sessions->text(), "Sessions...");
    const auto shown = [] {
        std::vector<SessionsWindow*> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<SessionsWindow*>(w); s && s->isVisible()) windows.push_back(s);
        return windows;
    };
    sessions->trigger();
    sessions->trigger();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0]->windowTitle(), "Sessions");
    EXPECT_EQ(shown()[0]->dataDir(), dir.filePath("data/"));
    engine.shutdown();
}
