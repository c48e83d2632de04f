// GoogleTest's main with a Qt application object, so engine timers and queued signals
// behave in tests as they do in the program. Tests that draw text get a GUI application
// (fonts need one), and widget tests a widget application, run on the offscreen platform.
#if defined(NUVO_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(NUVO_TEST_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
