// Listens to the voices on the default sound output's monitor; speech_test.sh runs this
// against a private sound server whose only output is a null sink.
#include "ecm/qtvoices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QtEndian>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

void runEventLoop(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Loudness {
    qsizetype samples = 0;
    double rms = 0;
    int peak = 0;
};

Loudness measure(const QByteArray& s16le) {
    Loudness result;
    result.samples = s16le.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < result.samples; ++i) {
        const int sample = qFromLittleEndian<qint16>(s16le.constData() + 2 * i);
        sum += double(sample) * sample;
        result.peak = std::max(result.peak, std::abs(sample));
    }
    if (result.samples > 0) result.rms = std::sqrt(sum / double(result.samples));
    return result;
}

constexpr int kRate = 16000;  // mono 16-bit samples per second

// Records the default output's monitor for `length` from when `start` runs. Counts samples
// rather than time: the stream delivers nothing for a while after it opens.
Loudness record(const std::function<void()>& start, std::chrono::milliseconds length) {
    QProcess parec;
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--device=@DEFAULT_MONITOR@"), QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                 QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    if (!parec.waitForStarted()) {
        ADD_FAILURE() << "parec did not start";
        return {};
    }
    QByteArray data;
    auto collect = [&](qsizetype bytes, std::chrono::milliseconds timeout) {
        QEventLoop loop;
        QObject::connect(&parec, &QProcess::readyReadStandardOutput, &loop, [&] {
            data += parec.readAllStandardOutput();
            if (data.size() >= bytes) loop.quit();
        });
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    };
    collect(1, 5s);
    data.clear();
    start();
    collect(2 * kRate * length.count() / 1000, length + 5s);
    parec.terminate();
    parec.waitForFinished();
    return measure(data);
}

TEST(QtVoicesTest, eachVoiceToldFromAnotherThreadIsHeard) {
    QtVoices qtVoices;
    QString problem;
    QObject::connect(&qtVoices, &QtVoices::unavailable,
                     [&problem](const QString& message) { problem = message; });
    runEventLoop(50ms);
    if (!problem.isEmpty()) GTEST_SKIP() << problem.toStdString();

    const Loudness silence = record([] {}, 1000ms);
    ASSERT_EQ(silence.samples, kRate) << "the recording stopped short";

    const Voices voices = qtVoices.voices();
    for (std::size_t i = 0; i < voices.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "voice " << i + 1);
        std::future<void> said;
        const Loudness speech = record(
            [&] {
                // This thread owns the speech objects and takes no events while it waits, so a
                // say() that needed it would not return.
                said = std::async(std::launch::async,
                                  [voice = voices[i]] { voice->say(QStringLiteral("matter")); });
                EXPECT_EQ(said.wait_for(5s), std::future_status::ready)
                    << "say() waited for the speech thread";
            },
            1500ms);
        EXPECT_EQ(problem.toStdString(), "");
        EXPECT_GT(speech.peak, 1000);
        EXPECT_GT(speech.rms, 20 + 10 * silence.rms)
            << "silence: rms " << silence.rms << ", peak " << silence.peak;
        std::printf("voice %zu: rms %.1f, peak %d (silence: rms %.1f, peak %d)\n", i + 1,
                    speech.rms, speech.peak, silence.rms, silence.peak);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
