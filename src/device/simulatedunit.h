#pragma once

#include <chrono>
#include <mutex>
#include <random>

#include "device/reports.h"
#include "device/transport.h"

namespace nuvo {

// The built-in unit: answers every command with plausible readings that follow from a
// seed, so two runs with the same seed see the same values. It stands in for the real
// unit when none is at hand, and is the device double of the tests.
//
// Answers are delivered from inside write(), after the configured latency each way.
class SimulatedUnit : public Transport {
public:
    enum class Fault {
        NoAnswer,          // the command is taken, nothing comes back
        UnplugMidRequest,  // the unit goes away after taking the command
    };

    // How the latency is waited out. Sleeping may overshoot by tens of microseconds per
    // transfer; spinning hits it exactly but keeps a core busy, which only a benchmark of
    // the transport bound wants.
    enum class Pacing { Sleep, Spin };

    // `latency` is the time each transfer takes, one way; a full-speed USB unit needs about
    // 1 ms.
    explicit SimulatedUnit(quint64 seed = 1,
                           std::chrono::microseconds latency = std::chrono::microseconds{0},
                           Pacing pacing = Pacing::Sleep);

    // The next `times` commands that expect an answer meet this fault.
    void injectFault(Fault fault, int times = 1);

    void plug();
    void unplug();

    bool connect(TransportListener* listener) override;
    bool disconnect() override;
    ReadNotify enableReadNotify() override;
    bool write(const Report& report) override;

    static constexpr quintptr kUnitHandle = 1;

private:
    struct Readings {
        double levelA = 160, levelB = 120;  // mean channel samples, in ADC counts
        double burstA = 0, burstB = 0;      // decaying extra level after a burst
        double freqB = 4000;                // RF-like frequency of channel B, Hz
        double phase = 0;                   // sample clock of the scope waveform, s
        int temperatureF = 77;              // raw byte, before calibration
    };

    Report answer(Command command);
    void drift();
    std::array<quint16, 2> scopeSample();
    double uniform();  // [0, 1), the same on every platform
    quint16 noisy(double value, double spread);
    void waitLatency() const;

    mutable std::mutex m_mutex;
    TransportListener* m_listener = nullptr;
    bool m_attached = true;
    bool m_readNotify = false;
    const std::chrono::microseconds m_latency;
    const Pacing m_pacing;
    Fault m_fault = Fault::NoAnswer;
    int m_faultsLeft = 0;
    std::mt19937_64 m_random;
    Readings m_readings;
};

}  // namespace nuvo
