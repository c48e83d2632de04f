#include "device/hidtransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace nuvo {
namespace {

using namespace std::chrono_literals;

// Behaves like the program's link: on every change it enables read notification and
// tries a write, from inside the event.
class RecordingListener : public TransportListener {
public:
    explicit RecordingListener(Transport& transport) : m_transport(transport) {}

    void OnPlugged(const HidDevice& device) override {
        std::lock_guard lock(m_mutex);
        ++m_events;
        if (device.isUnit()) m_unitSeen = true;
    }
    void OnUnplugged(const HidDevice&) override {
        std::lock_guard lock(m_mutex);
        ++m_events;
    }
    void OnChanged() override {
        const bool opened = m_transport.enableReadNotify();
        const bool written = m_transport.write(Report{0, '>'});
        std::lock_guard lock(m_mutex);
        ++m_events;
        ++m_changes;
        m_openedInEvent = m_openedInEvent || opened;
        m_wroteInEvent = m_wroteInEvent || written;
    }
    void OnRead(std::span<const quint8>) override {
        std::lock_guard lock(m_mutex);
        ++m_events;
    }

    int events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    int changes() const {
        std::lock_guard lock(m_mutex);
        return m_changes;
    }
    bool unitSeen() const {
        std::lock_guard lock(m_mutex);
        return m_unitSeen;
    }
    bool openedInEvent() const {
        std::lock_guard lock(m_mutex);
        return m_openedInEvent;
    }
    bool wroteInEvent() const {
        std::lock_guard lock(m_mutex);
        return m_wroteInEvent;
    }

private:
    Transport& m_transport;
    mutable std::mutex m_mutex;
    int m_events = 0;
    int m_changes = 0;
    bool m_unitSeen = false;
    bool m_openedInEvent = false;
    bool m_wroteInEvent = false;
};

// These checks need a bus without the unit; the connect itself tells whether one is there.
// Disconnects first so that no thread calls a listener that is about to go away.
#define SKIP_IF_UNIT_ATTACHED(transport, listener) \
    if ((listener).unitSeen()) {                   \
        (transport).disconnect();                  \
        GTEST_SKIP() << "a Nuvo unit is attached"; \
    }

TEST(HidTransport, NothingOpensOrWritesBeforeConnect) {
    HidTransport transport;
    EXPECT_FALSE(transport.enableReadNotify());
    EXPECT_FALSE(transport.write(Report{0, '>'}));
    EXPECT_FALSE(transport.connect(nullptr));
}

TEST(HidTransport, WithoutTheUnitConnectAnnouncesButNothingOpens) {
    HidTransport transport;
    RecordingListener listener(transport);
    ASSERT_TRUE(transport.connect(&listener));
    SKIP_IF_UNIT_ATTACHED(transport, listener);

    // The first scan ran before connect returned, and calling back from inside it did not
    // deadlock.
    EXPECT_EQ(listener.changes(), 1);
    EXPECT_FALSE(listener.openedInEvent());
    EXPECT_FALSE(listener.wroteInEvent());

    EXPECT_FALSE(transport.enableReadNotify());
    EXPECT_FALSE(transport.write(Report{0, '%'}));
    EXPECT_TRUE(transport.disconnect());
}

TEST(HidTransport, DisconnectWakesTheWatcherAndEndsTheConnection) {
    HidTransport transport;
    RecordingListener listener(transport);
    ASSERT_TRUE(transport.connect(&listener));
    SKIP_IF_UNIT_ATTACHED(transport, listener);

    // Let the watcher fall asleep between scans; disconnect must wake it, not wait 500 ms.
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(transport.disconnect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);

    EXPECT_FALSE(transport.disconnect());  // a second call is harmless
    EXPECT_FALSE(transport.enableReadNotify());
    EXPECT_FALSE(transport.write(Report{0, '>'}));
}

TEST(HidTransport, ReconnectAnnouncesTheBusAgain) {
    HidTransport transport;
    RecordingListener first(transport);
    ASSERT_TRUE(transport.connect(&first));
    SKIP_IF_UNIT_ATTACHED(transport, first);
    ASSERT_TRUE(transport.disconnect());

    RecordingListener second(transport);
    ASSERT_TRUE(transport.connect(&second));
    EXPECT_EQ(second.changes(), 1);
    EXPECT_EQ(first.changes(), 1);
    EXPECT_TRUE(transport.disconnect());
}

TEST(HidTransport, ConnectWhileConnectedStartsAfresh) {
    HidTransport transport;
    RecordingListener first(transport);
    RecordingListener second(transport);
    ASSERT_TRUE(transport.connect(&first));
    SKIP_IF_UNIT_ATTACHED(transport, first);
    ASSERT_TRUE(transport.connect(&second));
    EXPECT_EQ(second.changes(), 1);
    EXPECT_TRUE(transport.disconnect());
    EXPECT_FALSE(transport.disconnect());
}

TEST(HidTransport, DestructorStopsAConnectedTransportPromptly) {
    auto transport = std::make_unique<HidTransport>();
    RecordingListener listener(*transport);
    ASSERT_TRUE(transport->connect(&listener));
    SKIP_IF_UNIT_ATTACHED(*transport, listener);

    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    transport.reset();  // a thread left running would end the process here
    EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);
}

}  // namespace
}  // namespace nuvo
