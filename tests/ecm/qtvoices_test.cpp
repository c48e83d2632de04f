// Listens to the voices on the default sound output's monitor; speech_test.sh runs this
// against a private sound server whose only output is a null sink.
#include "ecm/qtvoices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTextToSpeech>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

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

class QtVoicesTest : public testing::Test {
protected:
    void SetUp() override {
        if (QTextToSpeech::availableEngines().isEmpty())
            GTEST_SKIP() << "no text-to-speech engine is installed";
        QObject::connect(&m_qtVoices, &QtVoices::unavailable,
                         [this](const QString& message) { m_problem = message.toStdString(); });
        m_silence = record([] {}, 1000ms);
        ASSERT_EQ(m_silence.samples, kRate) << "the recording stopped short";
    }

    void expectHeard(const Loudness& speech) {
        EXPECT_EQ(m_problem, "");
        EXPECT_GT(speech.peak, 1000);
        EXPECT_GT(speech.rms, 20 + 10 * m_silence.rms)
            << "silence: rms " << m_silence.rms << ", peak " << m_silence.peak;
    }

    QtVoices m_qtVoices;
    std::string m_problem;
    Loudness m_silence;
};

TEST_F(QtVoicesTest, eachVoiceToldFromAnotherThreadIsHeard) {
    const Voices voices = m_qtVoices.voices();
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
        expectHeard(speech);
    }
}

// As in the phoneme modes: every voice gets a new fragment long before it has spoken the last.
TEST_F(QtVoicesTest, textsFasterThanSpeechAreHeardWithoutFault) {
    const QStringList fragments = {"ca", ".", "matter", " ", "sh", "ye"};
    QTimer tick;
    int count = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        for (Voice* voice : m_qtVoices.voices()) voice->say(fragments[count++ % fragments.size()]);
    });
    expectHeard(record([&] { tick.start(35ms); }, 3000ms));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
