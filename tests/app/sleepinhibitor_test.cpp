// The inhibitor against stand-ins for the desktop's screen saver and logind, on a private
// message bus of its own (dbus-daemon), so the real desktop is never touched.
#include "app/dbussleepinhibitor.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace nuvo;

namespace {

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList calls;

public slots:
    uint Inhibit(const QString& application, const QString&) {
        calls.append("Inhibit " + application);
        return 42;
    }
    void UnInhibit(uint cookie) { calls.append(QStringLiteral("UnInhibit %1").arg(cookie)); }
};

// Hands out the write end of a pipe as its inhibition: the read end (which never blocks) sees
// the end of the file
// once every copy is closed, as logind sees the inhibition end.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    int readEnd = -1;
    QStringList calls;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString&,
                                    const QString& mode) {
        calls.append(QStringList{what, who, mode}.join(' '));
        int ends[2];
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return {};
        readEnd = ends[0];
        QDBusUnixFileDescriptor lock(ends[1]);  // a copy: ours is closed at once
        ::close(ends[1]);
        return lock;
    }
};

bool released(int readEnd) {
    char byte;
    return readEnd >= 0 && ::read(readEnd, &byte, 1) == 0;
}

}  // namespace

TEST(SleepInhibitor, HoldsBothServicesWhileAskedAndLetsGo) {
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10000))
        GTEST_SKIP() << "dbus-daemon cannot be started";
    const QString address = QString::fromLatin1(daemon.readLine()).trimmed();

    QDBusConnection services = QDBusConnection::connectToBus(address, "services");
    ASSERT_TRUE(services.isConnected());
    FakeScreenSaver screenSaver;
    FakeLogind logind;
    ASSERT_TRUE(services.registerObject("/org/freedesktop/ScreenSaver", &screenSaver,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(services.registerObject("/org/freedesktop/login1", &logind,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(services.registerService("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(services.registerService("org.freedesktop.login1"));

    {
        QDBusConnection client = QDBusConnection::connectToBus(address, "client");
        DbusSleepInhibitor inhibitor(client, client);
        inhibitor.setInhibited(true);
        QTRY_VERIFY_WITH_TIMEOUT(inhibitor.holdsScreenSaver() && inhibitor.holdsSleep(), 10000);
        EXPECT_EQ(screenSaver.calls, QStringList{"Inhibit nuvo"});
        EXPECT_EQ(logind.calls, QStringList{"sleep:idle nuvo block"});
        inhibitor.setInhibited(true);  // already held: not asked again
        EXPECT_FALSE(released(logind.readEnd)) << "the sleep lock ended while measuring";

        inhibitor.setInhibited(false);
        EXPECT_FALSE(inhibitor.holdsScreenSaver() || inhibitor.holdsSleep());
        QTRY_COMPARE_WITH_TIMEOUT(screenSaver.calls.size(), 2, 10000);
        EXPECT_EQ(screenSaver.calls.last(), "UnInhibit 42");
        EXPECT_TRUE(released(logind.readEnd)) << "logind still holds the sleep lock";
    }
    QDBusConnection::disconnectFromBus("client");
    QDBusConnection::disconnectFromBus("services");
    daemon.terminate();
    daemon.waitForFinished();
}

#include "sleepinhibitor_test.moc"
