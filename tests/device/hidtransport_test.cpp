#include "device/hidtransport.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "device/link.h"

namespace nuvo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A bus holding one unit, scripted by the test under `mutex`. The unit answers every
// command with its command byte and 1..7, handed over as the library reads it: without the
// report number. Records the threads that use each opened device.
struct FakeBus : HidApi {
    struct FakeDevice : Device {
        FakeDevice(FakeBus& bus, int id) : bus(bus), id(id) {}
        ~FakeDevice() override {
            std::lock_guard lock(bus.mutex);
            bus.users[id].insert(std::this_thread::get_id());
            ++bus.closes;
        }
        int read(std::span<quint8> buffer, int timeoutMs) override {
            std::unique_lock lock(bus.mutex);
            bus.users[id].insert(std::this_thread::get_id());
            bus.changed.wait_for(lock, timeoutMs * 1ms, [this] { return !pending.empty(); });
            std::copy(pending.begin(), pending.end(), buffer.begin());
            return int(std::exchange(pending, {}).size());
        }
        bool write(std::span<const quint8> report) override {
            std::unique_lock lock(bus.mutex);
            bus.users[id].insert(std::this_thread::get_id());
            bus.changed.wait_for(lock, 3s, [this] { return !bus.stuckWrites; });
            if (bus.failingWrites > 0) {
                --bus.failingWrites;
                return false;
            }
            bus.written.assign(report.begin(), report.end());
            pending = {report[1], 1, 2, 3, 4, 5, 6, 7};
            bus.changed.notify_all();
            return true;
        }
        FakeBus& bus;
        const int id;
        std::vector<quint8> pending;
    };

    std::vector<BusEntry> enumerate(quint16) override {
        std::lock_guard lock(mutex);
        if (!listed) return {};
        return {{"/dev/hidraw3", kVendorId, kProductId}};
    }
    std::unique_ptr<Device> open(const QByteArray&, QString& failure) override {
        std::lock_guard lock(mutex);
        ++opens;
        failure = openFailure;
        if (!openFailure.isEmpty()) return nullptr;
        return std::make_unique<FakeDevice>(*this, opens);
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool listed = true;
    QString openFailure;
    int failingWrites = 0;
    bool stuckWrites = false;  // writes hang until cleared, or for 3 s
    int opens = 0;
    int closes = 0;
    std::map<int, std::set<std::thread::id>> users;  // opened device -> threads that used it
    std::vector<quint8> written;                     // the last report written
};

struct Rig {
    FakeBus bus;
    HidTransport transport{bus, 20ms};
    Link link{transport, 1s};

    void script(const std::function<void()>& change) {
        std::lock_guard lock(bus.mutex);
        change();
        bus.changed.notify_all();
    }
    // Waits up to 3 s for `condition`, checked under the bus's lock.
    bool until(const std::function<bool()>& condition) {
        const auto deadline = Clock::now() + 3s;
        for (;;) {
            {
                std::lock_guard lock(bus.mutex);
                if (condition()) return true;
            }
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
    }
};

TEST(HidTransport, OneThreadUsesEachOpeningAndReportsArriveWithTheirReportNumber) {
    Rig rig;
    rig.link.hidconnect();
    ASSERT_TRUE(rig.link.unitPresent());
    for (Command command : {Command::Values, Command::Temperature}) {
        const auto answer = rig.link.requestreport(command);
        ASSERT_TRUE(answer);
        EXPECT_EQ(*answer, (Report{0, static_cast<quint8>(command), 1, 2, 3, 4, 5, 6, 7}));
    }
    EXPECT_EQ(rig.bus.written, (std::vector<quint8>{0, '%', 0, 0, 0, 0, 0, 0, 0}));

    // A failed write gives the unit up; the next scan opens it afresh.
    rig.script([&] { rig.bus.failingWrites = 1; });
    EXPECT_FALSE(rig.link.requestreport(Command::Values));
    EXPECT_TRUE(rig.until([&] { return rig.bus.opens == 2 && rig.link.unitPresent(); }));
    EXPECT_TRUE(rig.link.requestreport(Command::Values));

    rig.script([&] { rig.bus.listed = false; });
    EXPECT_TRUE(rig.until([&] { return rig.bus.closes == 2 && !rig.link.unitPresent(); }));
    rig.link.hiddisconnect();
    EXPECT_EQ(rig.bus.opens, 2);
    EXPECT_EQ(rig.bus.users[1].size(), 1u);
    EXPECT_EQ(rig.bus.users[2].size(), 1u);
}

TEST(HidTransport, UnitThatCannotBeOpenedIsTriedOnEveryScan) {
    Rig rig;
    rig.bus.openFailure = QStringLiteral("permission denied");
    std::vector<QString> told;
    QObject::connect(&rig.link, &Link::unitUnavailable,
                     [&](const QString& reason) { told.push_back(reason); });
    rig.link.hidconnect();
    EXPECT_TRUE(rig.until([&] { return rig.bus.opens >= 3; }));
    EXPECT_FALSE(rig.link.unitPresent());
    EXPECT_EQ(told, std::vector<QString>{QStringLiteral(
                        "The unit was found but cannot be opened: permission denied")});

    rig.script([&] { rig.bus.openFailure.clear(); });
    EXPECT_TRUE(rig.until([&] { return rig.link.unitPresent(); }));
    EXPECT_TRUE(rig.link.requestreport(Command::Values));
}

TEST(HidTransport, StuckUnitCostsABoundedWriteAndABoundedDisconnect) {
    Rig rig;
    rig.link.hidconnect();
    rig.script([&] { rig.bus.stuckWrites = true; });
    auto start = Clock::now();
    EXPECT_FALSE(rig.link.requestreport(Command::Values));
    EXPECT_LT(Clock::now() - start, 1s);

    start = Clock::now();
    rig.link.hiddisconnect();
    EXPECT_LT(Clock::now() - start, 1500ms);

    // The reader left behind ends with its write and closes its device.
    rig.script([&] { rig.bus.stuckWrites = false; });
    EXPECT_TRUE(rig.until([&] { return rig.bus.closes == rig.bus.opens; }));
}

}  // namespace
}  // namespace nuvo
