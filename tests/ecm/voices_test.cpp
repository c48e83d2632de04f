// Listens to the voices on the default sound output's monitor; speech_test.sh runs this
// against a private sound server whose only output is a null sink.
#include "ecm/platformvoices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QDateTime>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <future>
#include <string>

using namespace nuvo;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 16000;  // mono 16-bit samples per second

struct Recording {
    QByteArray s16le;
    qsizetype samples() const { return s16le.size() / 2; }
    int sample(qsizetype i) const { return qFromLittleEndian<qint16>(s16le.constData() + 2 * i); }
    int peak() const {
        int peak = 0;
        for (qsizetype i = 0; i < samples(); ++i) peak = std::max(peak, std::abs(sample(i)));
        return peak;
    }
    double rms() const {
        double sum = 0;
        for (qsizetype i = 0; i < samples(); ++i) sum += double(sample(i)) * sample(i);
        return samples() > 0 ? std::sqrt(sum / double(samples())) : 0;
    }
};

// The default output's monitor, recorded from construction on.
class Recorder {
public:
    Recorder() {
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("--device=@DEFAULT_MONITOR@"), QStringLiteral("--raw"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                       QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        if (!m_parec.waitForStarted()) ADD_FAILURE() << "parec did not start";
    }
    ~Recorder() {
        m_parec.terminate();
        m_parec.waitForFinished();
    }

    // The sound of `length` from when `start` runs. Counts samples rather than time: the
    // stream delivers in bursts, at times more than a second late.
    Recording record(const std::function<void()>& start, std::chrono::milliseconds length) {
        collect(0, 0ms);
        m_data.clear();
        start();
        collect(2 * kRate * length.count() / 1000, length + 5s);
        return {m_data.left(2 * kRate * length.count() / 1000)};
    }

private:
    void collect(qsizetype bytes, std::chrono::milliseconds timeout) {
        m_data += m_parec.readAllStandardOutput();
        if (m_data.size() >= bytes) return;
        QEventLoop loop;
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, &loop, [&] {
            m_data += m_parec.readAllStandardOutput();
            if (m_data.size() >= bytes) loop.quit();
        });
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }

    QProcess m_parec;
    QByteArray m_data;
};

class VoicesTest : public testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&m_platform, &PlatformVoices::unavailable,
                         [this](const QString& message) { m_problem = message.toStdString(); });
        for (Voice* voice : m_platform.voices())
            voice->setListener([this](const SpeechReport& r) {
                const std::lock_guard lock(m_mutex);
                m_reports.push_back(r);
            });
        m_silence = m_recorder.record([] {}, 1000ms);
        ASSERT_EQ(m_silence.samples(), kRate) << "the recording stopped short";
    }
    void TearDown() override {
        for (Voice* voice : m_platform.voices()) voice->setListener({});
    }

    void expectHeard(const Recording& speech) {
        EXPECT_EQ(m_problem, "");
        EXPECT_GT(speech.peak(), 1000);
        EXPECT_GT(speech.rms(), 20 + 10 * m_silence.rms())
            << "silence: rms " << m_silence.rms() << ", peak " << m_silence.peak();
    }
    std::vector<SpeechReport> reports() {
        const std::lock_guard lock(m_mutex);
        return m_reports;
    }
    Recording record(const std::function<void()>& start, std::chrono::milliseconds length) {
        return m_recorder.record(start, length);
    }

    Recorder m_recorder;
    PlatformVoices m_platform;
    std::string m_problem;
    Recording m_silence;
    std::mutex m_mutex;
    std::vector<SpeechReport> m_reports;
};

TEST_F(VoicesTest, EachVoiceToldFromAnotherThreadIsHeard) {
    const Voices voices = m_platform.voices();
    for (std::size_t i = 0; i < voices.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "voice " << i + 1);
        std::future<quint64> said;
        const Recording speech = record(
            [&] {
                said = std::async(std::launch::async,
                                  [voice = voices[i]] { return voice->say(QStringLiteral("matter")); });
                EXPECT_EQ(said.wait_for(5s), std::future_status::ready)
                    << "say() waited for the speech";
            },
            3000ms);
        expectHeard(speech);
    }
    const auto r = reports();
    ASSERT_EQ(r.size(), 4u);
    for (const SpeechReport& each : r) {
        EXPECT_EQ(each.outcome, SpeechReport::Outcome::Spoken) << each.problem.toStdString();
        EXPECT_GT(each.finishedMs, each.startedMs);
    }
}

// Texts given faster than they are said: voice 1 says each whole, one after the other.
// (The monitor of a null sink loses stretches of sound, so the recording cannot tell the
// length of what was heard.)
TEST_F(VoicesTest, VoiceOneSaysEveryTextWholeInOrder) {
    const QStringList words = {"matter ", "explosion ", "gate ", "Is anyone here?\r\n", "see "};
    std::vector<quint64> ids;
    const Recording speech = record(
        [&] {
            for (const QString& word : words) ids.push_back(m_platform.voices()[0]->say(word));
        },
        8000ms);
    const auto r = reports();
    ASSERT_EQ(r.size(), std::size_t(words.size()));
    for (std::size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].id, ids[i]);
        EXPECT_EQ(r[i].outcome, SpeechReport::Outcome::Spoken);
        if (i > 0) {
            EXPECT_GE(r[i].startedMs, r[i - 1].finishedMs);
        }
    }
    expectHeard(speech);
}

// The four voices at once: their sounds overlap.
TEST_F(VoicesTest, FourVoicesSpeakAtTheSameTime) {
    const Recording speech = record(
        [&] {
            for (Voice* voice : m_platform.voices()) voice->say(QStringLiteral("Is anyone here"));
        },
        5000ms);
    const auto r = reports();
    ASSERT_EQ(r.size(), 4u);
    qint64 lastStart = 0, firstEnd = r[0].finishedMs;
    for (const SpeechReport& each : r) {
        lastStart = std::max(lastStart, each.startedMs);
        firstEnd = std::min(firstEnd, each.finishedMs);
    }
    EXPECT_LT(lastStart, firstEnd);
    expectHeard(speech);
}

// As in the phoneme modes: every voice gets a new fragment long before it has said the
// last. The oldest give way, so what is heard stays close behind what was given.
TEST_F(VoicesTest, FragmentsFasterThanSpeechKeepABoundedBacklog) {
    const QStringList fragments = {"ca", "hi", "lt", "sh", "ye", "mo"};
    QTimer tick;
    int count = 0;
    std::map<quint64, qint64> saidAt[4];
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Voices voices = m_platform.voices();
        for (int k = 0; k < 4; ++k)
            saidAt[k][voices[k]->say(fragments[count++ % fragments.size()], Delivery::Fragment)] =
                QDateTime::currentMSecsSinceEpoch();
    });
    expectHeard(record([&] { tick.start(35ms); }, 3000ms));
    tick.stop();
    int dropped = 0, spoken = 0;
    for (const SpeechReport& each : reports()) {
        EXPECT_NE(each.outcome, SpeechReport::Outcome::Failed) << each.problem.toStdString();
        if (each.outcome == SpeechReport::Outcome::Dropped) {
            ++dropped;
            continue;
        }
        ++spoken;
        // Half a second of backlog, the fragment sounding before it, and the sink's delay.
        EXPECT_LT(each.startedMs - saidAt[each.voice][each.id], 1500) << each.text.toStdString();
    }
    EXPECT_GT(spoken, 8);
    EXPECT_GT(dropped, 0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
