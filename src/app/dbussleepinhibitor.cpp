#include "app/dbussleepinhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace nuvo {

namespace {

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kReason = QStringLiteral("Measuring or recording with the Nuvo");

}  // namespace

DbusSleepInhibitor::DbusSleepInhibitor(QDBusConnection session, QDBusConnection system,
                                       QObject* parent)
    : QObject(parent), m_session(std::move(session)), m_system(std::move(system)) {}

DbusSleepInhibitor::~DbusSleepInhibitor() {
    m_wanted = false;
    release();
}

void DbusSleepInhibitor::setInhibited(bool inhibited) {
    if (inhibited == m_wanted) return;
    m_wanted = inhibited;
    if (!inhibited) {
        release();
        return;
    }
    // An answer still on its way is dealt with when it comes.
    if (!m_cookie) askScreenSaver();
    if (!m_sleepLock.isValid()) askLogind();
}

void DbusSleepInhibitor::askScreenSaver() {
    if (!m_session.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                                       kScreenSaverService, QStringLiteral("Inhibit"));
    call << QStringLiteral("nuvo") << kReason;
    auto* watcher = new QDBusPendingCallWatcher(m_session.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid()) {
            m_cookie = reply.value();
            if (!m_wanted) release();  // measuring stopped while we asked
        }
        emit settled();
    });
}

void DbusSleepInhibitor::askLogind() {
    if (!m_system.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("nuvo") << kReason
         << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isValid()) {
            m_sleepLock = reply.value();
            if (!m_wanted) release();
        }
        emit settled();
    });
}

void DbusSleepInhibitor::release() {
    if (m_cookie && m_session.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kScreenSaverService, kScreenSaverPath, kScreenSaverService, QStringLiteral("UnInhibit"));
        call << *m_cookie;
        m_session.send(call);
    }
    m_cookie.reset();
    m_sleepLock = QDBusUnixFileDescriptor();  // closing our copy ends logind's inhibition
}

}  // namespace nuvo
