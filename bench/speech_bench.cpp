// Words on the sound card: the program's engine on the built-in unit in "ECM Voltage Mode"
// with "Speech On" and a " Constant" answer, as a user runs it, with the real voices.
// Run it as `tests/ecm/speech_test.sh --pipe build/bench/speech_bench`: against a private
// sound server whose output is a pipe sink, so the samples it plays arrive on stdin, read
// here as they come.
//
// Prints the words shown (counted on the display), the words voice 1 reported spoken,
// those with nothing to hear (punctuation alone), the words heard (a reported word whose
// stretch of the recording is loud), the speech bursts of the recording (words said one
// right after the other make one burst), the word rate, and the latency from a reading reaching the
// engine to (a) the voice's reported first sample and (b) the first audible sample played
// by the sound server, as median and 99th percentile. Then, with the four voices on the
// time-slice phoneme routines (the unit's, then the random one) at a 35 ms "Delay", the
// fragments spoken and dropped.
//
// Usage: speech_bench [seconds of constant answer, default 60] [seconds of phonemes, 20]
#include "enginerig.h"

#include "ecm/platformvoices.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace nuvo;
using namespace nuvo::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 16000;       // the pipe sink's samples per second, mono s16le
constexpr int kLoud = 300;         // of 32767: above the synthesis noise, below speech
constexpr int kBurstGapMs = 200;   // longer than the silences within a word

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// The built-in unit, with the moment each answer to ">" reaches the link noted.
class StampingUnit : public Transport, public TransportListener {
public:
    bool connect(TransportListener* listener) override {
        m_listener = listener;
        return m_unit.connect(this);
    }
    bool disconnect() override { return m_unit.disconnect(); }
    ReadNotify enableReadNotify() override { return m_unit.enableReadNotify(); }
    bool write(const Report& report) override {
        m_lastCommand = report[1];
        return m_unit.write(report);
    }
    void OnPlugged(const HidDevice& d) override { m_listener->OnPlugged(d); }
    void OnUnplugged(const HidDevice& d) override { m_listener->OnUnplugged(d); }
    void OnChanged() override { m_listener->OnChanged(); }
    void OnRead(std::span<const quint8> report) override {
        if (m_lastCommand == '>') readingArrivedMs = nowMs();
        m_listener->OnRead(report);
    }

    std::atomic<qint64> readingArrivedMs{0};

private:
    SimulatedUnit m_unit{7, std::chrono::milliseconds{1}};
    TransportListener* m_listener = nullptr;
    quint8 m_lastCommand = 0;
};

// Voice 1 as the engine sees it, noting for each word the reading that picked it.
class TimingVoice : public Voice {
public:
    TimingVoice(Voice& voice, StampingUnit& unit) : m_voice(voice), m_unit(unit) {
        m_voice.setListener([this](const SpeechReport& r) { report(r); });
    }
    ~TimingVoice() override { m_voice.setListener({}); }
    quint64 say(const QString& text, Delivery delivery) override {
        const quint64 id = m_voice.say(text, delivery);
        const std::lock_guard lock(mutex);
        readingOf[id] = m_unit.readingArrivedMs;
        return id;
    }
    std::mutex mutex;
    std::map<quint64, qint64> readingOf;

private:
    Voice& m_voice;
    StampingUnit& m_unit;
};

// What the sound server plays, with the wall time of each sample.
class PipeRecorder {
public:
    // The reader never ends: the program leaves with it still reading.
    PipeRecorder() { std::thread([this] { run(); }).detach(); }
    // Wall time of the first loud sample in [from, to), or 0.
    qint64 firstLoud(qint64 from, qint64 to) {
        const std::lock_guard lock(m_mutex);
        for (const Chunk& c : m_chunks) {
            if (c.endMs < from || c.startMs() > to) continue;
            for (std::size_t i = 0; i < c.samples.size(); ++i) {
                const qint64 t = c.startMs() + qint64(i) * 1000 / kRate;
                if (t >= from && t < to && std::abs(c.samples[i]) > kLoud) return t;
            }
        }
        return 0;
    }
    // Loud stretches separated by more than kBurstGapMs of quiet.
    int bursts() {
        const std::lock_guard lock(m_mutex);
        int count = 0;
        qint64 lastLoud = -1'000'000;
        for (const Chunk& c : m_chunks)
            for (std::size_t i = 0; i < c.samples.size(); ++i) {
                if (std::abs(c.samples[i]) <= kLoud) continue;
                const qint64 t = c.startMs() + qint64(i) * 1000 / kRate;
                if (t - lastLoud > kBurstGapMs) ++count;
                lastLoud = t;
            }
        return count;
    }

private:
    struct Chunk {
        qint64 endMs;  // when its last sample arrived
        std::vector<qint16> samples;
        qint64 startMs() const { return endMs - qint64(samples.size()) * 1000 / kRate; }
    };
    void run() {
        std::vector<char> buffer(2 * kRate / 100);  // 10 ms
        for (;;) {
            const ssize_t got = ::read(0, buffer.data(), buffer.size());
            if (got <= 0) break;
            Chunk c{nowMs(), std::vector<qint16>(std::size_t(got) / 2)};
            for (std::size_t i = 0; i < c.samples.size(); ++i)
                c.samples[i] = qFromLittleEndian<qint16>(buffer.data() + 2 * i);
            const std::lock_guard lock(m_mutex);
            m_chunks.push_back(std::move(c));
        }
    }
    std::mutex m_mutex;
    std::vector<Chunk> m_chunks;
};

double percentile(std::vector<qint64> values, double q) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return double(values[std::min(values.size() - 1, std::size_t(q * double(values.size())))]);
}

// Words (entries) appended to the main display, which is emptied after 20 lines.
int countShownWords(QString& last, const QString& now) {
    const QString added = now.startsWith(last) ? now.mid(last.size()) : now;
    last = now;
    return int(added.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int answerSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int phonemeSeconds = argc > 2 ? std::atoi(argv[2]) : 20;
    static PipeRecorder recorder;  // outlives main: its thread reads until the end
    PlatformVoices platform;
    QObject::connect(&platform, &PlatformVoices::unavailable,
                     [](const QString& m) { std::printf("unavailable: %s\n", qPrintable(m)); });
    StampingUnit unit;
    TimingVoice voice1(*platform.voices()[0], unit);

    std::vector<SpeechReport> reports;
    std::vector<std::pair<int, int>> phonemeCounts;  // spoken, dropped per phoneme mode
    int shown = 0;
    int dropped = 0, fragments = 0;
    {
        EngineRig rig(unit);
        QString display;
        QObject::connect(&rig.engine, &Engine::elementsChanged, &rig.receiver,
                         [&](const ElementUpdates& updates) {
                             for (const ElementUpdate& u : updates)
                                 if (u.name == QStringLiteral("main_display"))
                                     shown += countShownWords(display, u.state.text);
                         });
        QObject::connect(&rig.engine, &Engine::speechReported, &rig.receiver,
                         [&](const SpeechReport& r) {
                             if (r.voice == 0 && r.text != QStringLiteral("\r\n"))
                                 reports.push_back(r);
                             if (r.outcome == SpeechReport::Outcome::Dropped) ++dropped;
                             else if (phonemeSeconds > 0) ++fragments;
                         });
        Voices voices = platform.voices();
        voices[0] = &voice1;
        rig.inEngine([&] {
            rig.engine.setVoices(voices);
            rig.engine.menu_click("ITC1");
            rig.engine.menu_click("speechON");
            rig.engine.Option1_click(7);  // constant answer: words without a time limit
        });
        const auto run = [&](int seconds) {
            QEventLoop loop;
            QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
            loop.exec();
        };
        run(answerSeconds);
        rig.inEngine([&] { rig.engine.cancel_click(); });
        run(3);  // the last word finishes
        const int spokenInAnswer = int(reports.size());
        const int shownInAnswer = shown;
        fragments = 0;
        dropped = 0;

        // Phonemes: "ECM OFF", four voices, "Delay" 35 ms; the unit's time slice, then the
        // random one (which rests 200 ms after each draw).
        if (phonemeSeconds > 0) {
            rig.inEngine([&] {
                rig.engine.menu_click("ITC4");
                rig.engine.menu_click("tsphone");
                for (int k = 1; k < 4; ++k) rig.engine.Check1_click(k, true);
            });
            for (const char* mode : {"tsphone", "rsphone"}) {
                rig.inEngine([&] {
                    if (QLatin1String(mode) == QLatin1String("rsphone")) {
                        rig.engine.menu_click("rsphone");
                        for (int k = 1; k < 4; ++k) rig.engine.Check1_click(k, true);
                    }
                    rig.engine.Command2_click();
                });
                run(phonemeSeconds);
                rig.inEngine([&] { rig.engine.Command2_click(); });
                run(2);
                phonemeCounts.emplace_back(fragments, dropped);
                fragments = dropped = 0;
            }
        }
        std::printf("answer_seconds: %d\n", answerSeconds);
        std::printf("words_shown: %d\n", shownInAnswer);
        std::printf("words_reported_spoken: %d\n", spokenInAnswer);
        reports.resize(std::size_t(spokenInAnswer));
    }

    int heard = 0, silent = 0;
    std::vector<qint64> toReported, toAudible;
    for (const SpeechReport& r : reports) {
        if (r.outcome != SpeechReport::Outcome::Spoken) continue;
        if (r.startedMs == r.finishedMs) {  // punctuation alone: nothing to hear
            ++silent;
            continue;
        }
        const qint64 audible = recorder.firstLoud(r.startedMs, r.finishedMs + 100);
        if (audible) ++heard;
        qint64 reading = 0;
        {
            const std::lock_guard lock(voice1.mutex);
            reading = voice1.readingOf[r.id];
        }
        if (!reading) continue;
        toReported.push_back(r.startedMs - reading);
        if (audible) toAudible.push_back(audible - reading);
    }
    std::printf("words_silent: %d\n", silent);
    std::printf("words_heard: %d\n", heard);
    std::printf("speech_bursts: %d\n", recorder.bursts());
    std::printf("words_per_second: %.2f\n", double(reports.size()) / answerSeconds);
    std::printf("reading_to_first_sample_median_ms: %.0f\n", percentile(toReported, 0.5));
    std::printf("reading_to_first_sample_p99_ms: %.0f\n", percentile(toReported, 0.99));
    std::printf("reading_to_audible_median_ms: %.0f\n", percentile(toAudible, 0.5));
    std::printf("reading_to_audible_p99_ms: %.0f\n", percentile(toAudible, 0.99));
    std::printf("phoneme_seconds: %d\n", phonemeSeconds);
    for (std::size_t i = 0; i < phonemeCounts.size(); ++i) {
        const char* mode = i == 0 ? "unit" : "random";
        std::printf("fragments_spoken_%s: %d\n", mode, phonemeCounts[i].first);
        std::printf("fragments_dropped_%s: %d\n", mode, phonemeCounts[i].second);
    }
    std::fflush(stdout);
    std::_Exit(heard > 0 ? 0 : 1);  // the recorder's thread still reads
}
