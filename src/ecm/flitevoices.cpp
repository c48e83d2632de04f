#include "ecm/flitevoices.h"

#include "ecm/speechbacklog.h"

#include <QDateTime>

#include <flite/flite.h>
#include <gst/app/gstappsrc.h>
#include <gst/audio/gstaudiobasesink.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

extern "C" {
cst_voice* register_cmu_us_slt(const char* voxdir);
cst_voice* register_cmu_us_rms(const char* voxdir);
cst_voice* register_cmu_us_awb(const char* voxdir);
cst_voice* register_cmu_us_kal(const char* voxdir);
}

namespace nuvo {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// libflite keeps shared state (the lexicon, its caches); one synthesis at a time.
std::mutex g_fliteMutex;

// A voice asks for its next text this long before the one it plays has sounded, so that
// texts follow each other without a gap even on a busy machine (synthesis takes 1 to
// 20 ms when the machine is idle).
constexpr auto kLead = 200ms;
// The sound server's buffer: the delay from a sample given to the sink to its sounding.
constexpr gint64 kSinkBufferUs = 40000;
constexpr gint64 kSinkPeriodUs = 10000;
// No state change of a pipeline takes longer.
constexpr GstClockTime kStateWait = 2 * GST_SECOND;

// Flite pads each text with silence; a margin of it is kept so words stay apart.
struct Span {
    int first = 0;
    int end = 0;
};
Span audibleSpan(const cst_wave& wave) {
    constexpr int kThreshold = 300;  // of 32767: below any speech, above the synthesis noise
    const int margin = wave.sample_rate / 50;  // 20 ms
    const short* s = wave.samples;
    const int n = wave.num_samples * wave.num_channels;
    int first = 0;
    while (first < n && std::abs(s[first]) < kThreshold) ++first;
    int end = n;
    while (end > first && std::abs(s[end - 1]) < kThreshold) --end;
    if (first == end) return {};
    return {std::max(0, first - margin), std::min(n, end + margin)};
}

// Makes the audio sink of a pipeline answer quickly; tells whether a real one was found.
void tuneSink(GstBin*, GstBin*, GstElement* element, gpointer foundSink) {
    if (GST_IS_AUDIO_BASE_SINK(element)) {
        // discont-wait 0: after a silence the next text starts at its own time, rather
        // than being glued to the end of the last one (which lies in the past).
        g_object_set(element, "buffer-time", kSinkBufferUs, "latency-time", kSinkPeriodUs,
                     "discont-wait", guint64(0), nullptr);
        *static_cast<bool*>(foundSink) = true;
    }
}

QString gstError(GstMessage* message) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("sound output error");
    if (error) g_error_free(error);
    return text;
}

}  // namespace

class FliteVoices::FliteVoice : public Voice {
public:
    FliteVoice(int index, cst_voice* voice, std::function<void(const QString&)> lost)
        : m_index(index), m_voice(voice), m_lost(std::move(lost)) {
        m_thread = std::thread([this] { run(); });
    }

    ~FliteVoice() override {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
        closePipeline();
    }

    quint64 say(const QString& text, Delivery delivery) override {
        std::vector<SpeechBacklog::Text> dropped;
        quint64 id = 0;
        {
            const std::lock_guard lock(m_mutex);
            id = ++m_lastId;
            dropped = m_backlog.add({id, text, delivery}, ahead(Clock::now()));
        }
        m_wake.notify_all();
        for (const SpeechBacklog::Text& t : dropped)
            report(ended(t, SpeechReport::Outcome::Dropped));
        return id;
    }

private:
    struct Sounding {
        SpeechReport report;
        Clock::time_point end;
    };

    SpeechReport ended(const SpeechBacklog::Text& text, SpeechReport::Outcome outcome,
                       const QString& problem = {}) const {
        SpeechReport r;
        r.id = text.id;
        r.voice = m_index;
        r.text = text.text;
        r.outcome = outcome;
        r.problem = problem;
        return r;
    }

    // The speech still to sound of the texts already played; m_mutex held.
    std::chrono::milliseconds ahead(Clock::time_point now) const {
        return std::max(0ms, std::chrono::ceil<std::chrono::milliseconds>(m_soundingEnd - now));
    }

    void run() {
        // The pipeline is made before the first text, so that it sounds at once.
        {
            const std::lock_guard flite(g_fliteMutex);
            if (cst_wave* wave = flite_text_to_wave("a", m_voice)) {
                m_warmRate = wave->sample_rate;
                delete_wave(wave);
            }
        }
        if (const QString problem = preparePipeline(m_warmRate); !problem.isEmpty()) m_lost(problem);
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            const Clock::time_point now = Clock::now();
            if (!m_sounding.empty() && m_sounding.front().end <= now) {
                const SpeechReport r = std::move(m_sounding.front().report);
                m_sounding.pop_front();
                lock.unlock();
                report(r);
                lock.lock();
                continue;
            }
            if (!m_backlog.empty() && m_soundingEnd - kLead <= now) {
                const SpeechBacklog::Text text = *m_backlog.take();
                lock.unlock();
                play(text);
                lock.lock();
                continue;
            }
            std::optional<Clock::time_point> wake;
            if (!m_sounding.empty()) wake = m_sounding.front().end;
            if (!m_backlog.empty()) wake = std::min(wake.value_or(Clock::time_point::max()),
                                                    m_soundingEnd - kLead);
            if (wake)
                m_wake.wait_until(lock, *wake);
            else
                m_wake.wait(lock);
        }
        // Texts never played are reported, so no caller waits for them.
        std::vector<SpeechReport> left;
        while (auto text = m_backlog.take())
            left.push_back(ended(*text, SpeechReport::Outcome::Failed,
                                 QStringLiteral("the program ended")));
        lock.unlock();
        for (const SpeechReport& r : left) report(r);
    }

    // Synthesises the text and hands its samples to the pipeline, timed to follow the
    // speech already playing.
    void play(const SpeechBacklog::Text& text) {
        const QByteArray utf8 = text.text.toUtf8();
        cst_wave* wave = nullptr;
        {
            const std::lock_guard flite(g_fliteMutex);
            wave = flite_text_to_wave(utf8.constData(), m_voice);
        }
        const Span span = wave ? audibleSpan(*wave) : Span{};
        if (span.first == span.end) {
            // Blanks and punctuation alone: nothing to hear, said at once.
            if (wave) delete_wave(wave);
            SpeechReport r = ended(text, SpeechReport::Outcome::Spoken);
            r.startedMs = r.finishedMs = QDateTime::currentMSecsSinceEpoch();
            report(r);
            return;
        }
        const QString problem = push(*wave, span, text);
        delete_wave(wave);
        if (!problem.isEmpty()) {
            report(ended(text, SpeechReport::Outcome::Failed, problem));
            m_lost(problem);
        }
    }

    // Returns why the samples could not be played, or an empty text.
    QString push(const cst_wave& wave, const Span& span, const SpeechBacklog::Text& text) {
        if (const QString problem = preparePipeline(wave.sample_rate); !problem.isEmpty())
            return problem;
        GstClock* clock = gst_element_get_clock(m_pipeline);
        if (!clock) return QStringLiteral("the sound output has no clock");
        const GstClockTime clockNow = gst_clock_get_time(clock);
        gst_object_unref(clock);
        const Clock::time_point now = Clock::now();
        if (m_epochOffsetNs == 0)
            m_epochOffsetNs = QDateTime::currentMSecsSinceEpoch() * 1000000 - qint64(clockNow);
        const GstClockTime base = gst_element_get_base_time(m_pipeline);
        const GstClockTime running = clockNow - base;

        const int samples = span.end - span.first;
        const GstClockTime duration =
            gst_util_uint64_scale(guint64(samples), GST_SECOND, guint64(wave.sample_rate));
        const GstClockTime pts = std::max(running, m_nextPts);
        m_nextPts = pts + duration;
        GstBuffer* buffer = gst_buffer_new_memdup(wave.samples + span.first,
                                                  gsize(samples) * sizeof(short));
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DURATION(buffer) = duration;
        if (gst_app_src_push_buffer(GST_APP_SRC(m_source), buffer) != GST_FLOW_OK)
            return QStringLiteral("the sound output does not take samples");

        // A live pipeline plays a sample at its time plus the pipeline's latency.
        const GstClockTime start = base + pts + latency();
        const auto epochMs = [this](GstClockTime t) { return (qint64(t) + m_epochOffsetNs) / 1000000; };
        SpeechReport r = ended(text, SpeechReport::Outcome::Spoken);
        r.startedMs = epochMs(start);
        r.finishedMs = epochMs(start + duration);
        const std::lock_guard lock(m_mutex);
        m_soundingEnd = now + std::chrono::nanoseconds(start + duration - clockNow);
        m_sounding.push_back({r, m_soundingEnd});
        m_backlog.learn(text.text, std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::nanoseconds(duration)));
        return {};
    }

    GstClockTime latency() {
        GstQuery* query = gst_query_new_latency();
        GstClockTime min = 0;
        if (gst_element_query(m_pipeline, query)) gst_query_parse_latency(query, nullptr, &min, nullptr);
        gst_query_unref(query);
        return min;
    }

    // A pipeline playing at `rate` that has not failed; built anew after a failure.
    QString preparePipeline(int rate) {
        if (m_pipeline) {
            GstBus* bus = gst_element_get_bus(m_pipeline);
            GstMessage* error = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
            gst_object_unref(bus);
            if (error) {
                const QString problem = gstError(error);
                gst_message_unref(error);
                closePipeline();
                return problem;  // the next text tries a new pipeline
            }
            if (rate == m_rate) return {};
            closePipeline();
        }
        GError* error = nullptr;
        m_pipeline = gst_parse_launch(
            "appsrc name=voice is-live=true format=time ! audioconvert ! audioresample ! "
            "autoaudiosink",
            &error);
        if (error) {
            const QString problem = QString::fromUtf8(error->message);
            g_error_free(error);
            closePipeline();
            return problem;
        }
        bool foundSink = false;
        g_signal_connect(m_pipeline, "deep-element-added", G_CALLBACK(tuneSink), &foundSink);
        m_source = gst_bin_get_by_name(GST_BIN(m_pipeline), "voice");
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE",
                                            "layout", G_TYPE_STRING, "interleaved", "rate",
                                            G_TYPE_INT, rate, "channels", G_TYPE_INT, 1, nullptr);
        g_object_set(m_source, "caps", caps, nullptr);
        gst_caps_unref(caps);
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
        // The sink reaches playing with its first samples, and the sound server starts the
        // stream once it holds more than its buffer: silence, a little longer.
        const gsize silence = gsize(rate / 5) * sizeof(short);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, silence, nullptr);
        gst_buffer_memset(buffer, 0, 0, silence);
        GST_BUFFER_PTS(buffer) = 0;
        gst_app_src_push_buffer(GST_APP_SRC(m_source), buffer);
        const GstStateChangeReturn state =
            gst_element_get_state(m_pipeline, nullptr, nullptr, kStateWait);
        g_signal_handlers_disconnect_by_func(m_pipeline, gpointer(tuneSink), &foundSink);
        if (state == GST_STATE_CHANGE_FAILURE || !foundSink) {
            closePipeline();
            return QStringLiteral("no sound output was found");
        }
        m_rate = rate;
        m_nextPts = 0;
        m_epochOffsetNs = 0;
        return {};
    }

    void closePipeline() {
        if (m_source) gst_object_unref(m_source);
        m_source = nullptr;
        if (m_pipeline) {
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
            gst_object_unref(m_pipeline);
        }
        m_pipeline = nullptr;
        m_rate = 0;
    }

    const int m_index;
    cst_voice* const m_voice;
    const std::function<void(const QString&)> m_lost;
    // The pipeline is used only by the voice's thread (and the destructor after it).
    GstElement* m_pipeline = nullptr;
    GstElement* m_source = nullptr;
    int m_rate = 0;
    int m_warmRate = 16000;
    GstClockTime m_nextPts = 0;  // where the speech played so far ends, in running time
    qint64 m_epochOffsetNs = 0;  // from the pipeline's clock to the wall clock

    std::mutex m_mutex;  // guards what follows
    std::condition_variable m_wake;
    quint64 m_lastId = 0;
    SpeechBacklog m_backlog;
    std::deque<Sounding> m_sounding;  // played, to be reported at their end
    Clock::time_point m_soundingEnd;
    bool m_stopping = false;
    std::thread m_thread;
};

FliteVoices::FliteVoices(QObject* parent) : QObject(parent) {
    static std::once_flag once;
    static std::array<cst_voice*, 4> registered{};
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        const std::lock_guard flite(g_fliteMutex);
        flite_init();
        registered = {register_cmu_us_slt(nullptr), register_cmu_us_rms(nullptr),
                      register_cmu_us_awb(nullptr), register_cmu_us_kal(nullptr)};
    });
    for (std::size_t i = 0; i < m_voices.size(); ++i)
        m_voices[i] = std::make_unique<FliteVoice>(
            int(i), registered[i], [this](const QString& reason) { reportUnavailable(reason); });
}

FliteVoices::~FliteVoices() = default;

Voices FliteVoices::voices() const {
    Voices voices{};
    std::transform(m_voices.begin(), m_voices.end(), voices.begin(),
                   [](const std::unique_ptr<FliteVoice>& voice) { return voice.get(); });
    return voices;
}

void FliteVoices::reportUnavailable(const QString& reason) {
    if (m_reported.exchange(true)) return;
    emit unavailable(tr("Speech is not available: %1. Words are still shown.").arg(reason));
}

}  // namespace nuvo
