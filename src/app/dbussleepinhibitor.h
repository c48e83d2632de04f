#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <optional>

namespace nuvo {

// Keeps the screen saver and the system's sleep away while the program measures or
// captures: a laptop that sleeps in the middle of a vigil loses the session. It asks the
// desktop (org.freedesktop.ScreenSaver on the session bus) and logind (on the system bus)
// and lets go when the work stops. Where a service is missing the program goes on
// without it.
class DbusSleepInhibitor : public QObject {
    Q_OBJECT

public:
    explicit DbusSleepInhibitor(QDBusConnection session = QDBusConnection::sessionBus(),
                                QDBusConnection system = QDBusConnection::systemBus(),
                                QObject* parent = nullptr);
    ~DbusSleepInhibitor() override;

    // Whether both services currently hold an inhibition of ours.
    bool holdsScreenSaver() const { return m_cookie.has_value(); }
    bool holdsSleep() const { return m_sleepLock.isValid(); }

public slots:
    void setInhibited(bool inhibited);

signals:
    // A request was answered, or failed; for tests and the curious.
    void settled();

private:
    void askScreenSaver();
    void askLogind();
    void release();

    QDBusConnection m_session;
    QDBusConnection m_system;
    bool m_wanted = false;
    std::optional<uint> m_cookie;
    QDBusUnixFileDescriptor m_sleepLock;  // logind holds its inhibition while this is open
};

}  // namespace nuvo
