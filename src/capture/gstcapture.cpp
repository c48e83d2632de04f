#include "capture/gstcapture.h"

#include "capture/gstfilewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <utility>

namespace nuvo {

namespace {

constexpr GstClockTime kWaitBoundNs =
    std::chrono::duration_cast<std::chrono::nanoseconds>(GstCapture::kWaitBound).count();
constexpr std::chrono::milliseconds kRetryDelay{20};

using Sources = std::vector<std::pair<QString, GstDevice*>>;

void release(Sources& sources) {
    for (auto& [name, device] : sources)
        if (device) gst_object_unref(device);
    sources.clear();
}

// The devices of `deviceClass`, each name once (a device may come from several providers),
// the system's default first.
Sources findDevices(const char* deviceClass) {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, deviceClass, nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    Sources found;
    for (GList* each = devices; each; each = each->next) {
        GstDevice* device = GST_DEVICE(each->data);
        gchar* name = gst_device_get_display_name(device);
        const QString shown = QString::fromUtf8(name);
        g_free(name);
        if (std::any_of(found.begin(), found.end(), [&](const auto& s) { return s.first == shown; }))
            continue;
        GstStructure* properties = gst_device_get_properties(device);
        gboolean isDefault = FALSE;
        if (properties) {
            gst_structure_get_boolean(properties, "is-default", &isDefault);
            gst_structure_free(properties);
        }
        found.emplace(isDefault ? found.begin() : found.end(), shown,
                      GST_DEVICE(gst_object_ref(device)));
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return found;
}

GstElement* parseBin(const QString& description, QString& problem) {
    GError* error = nullptr;
    GstElement* bin =
        gst_parse_bin_from_description(description.toUtf8().constData(), TRUE, &error);
    if (error) {
        problem = QString::fromUtf8(error->message);
        g_error_free(error);
        if (bin) gst_object_unref(bin);
        return nullptr;
    }
    return bin;
}

}  // namespace

void initGStreamer() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

GstCapture::GstCapture(const QString& subject, const char* deviceClass, const QString& noDevice,
                       const QString& testSourceName, bool simulated, QObject* parent)
    : QObject(parent),
      m_subject(subject),
      m_deviceClass(deviceClass),
      m_noDevice(noDevice),
      m_simulated(simulated) {
    initGStreamer();
    if (m_simulated) {
        m_sources.emplace_back(testSourceName, nullptr);
        m_source = 0;
    }
}

GstCapture::~GstCapture() {
    shutDown();
    release(m_sources);
}

QStringList GstCapture::listSources() const {
    if (!m_simulated) {
        const QString selected = m_source >= 0 ? m_sources[m_source].first : QString();
        release(m_sources);
        m_sources = findDevices(m_deviceClass);
        const auto kept = std::find_if(m_sources.begin(), m_sources.end(),
                                       [&](const auto& s) { return s.first == selected; });
        m_source = kept != m_sources.end() ? int(kept - m_sources.begin())
                                           : (m_sources.empty() ? -1 : 0);
    }
    QStringList names;
    for (const auto& source : m_sources) names << source.first;
    return names;
}

bool GstCapture::selectSource(int position) {
    if (position < 0 || position >= int(m_sources.size())) return false;
    m_source = position;
    return true;
}

int GstCapture::selectedSource() const {
    if (m_sources.empty()) listSources();  // never asked, or nothing was there
    return m_source;
}

GstDevice* GstCapture::selectedDevice() const {
    const int source = selectedSource();
    return source >= 0 ? m_sources[source].second : nullptr;
}

QString GstCapture::selectedSourceName() const {
    const int source = selectedSource();
    return source >= 0 ? m_sources[source].first : QString();
}

void GstCapture::shutDown() {
    std::lock_guard lock(m_lock);
    halt();
}

void GstCapture::setCaptureFile(const QString& path) {
    std::lock_guard lock(m_lock);
    m_file = path;
}

CaptureStart GstCapture::startCapture(bool record) {
    std::lock_guard lock(m_lock);
    endFile();  // a start while recording finishes the file so far and begins anew
    m_record = record;
    if (!running() || configuration() != m_configuration) {
        halt();
        QString problem;
        GstElement* pipeline = build(problem);
        if (!pipeline) {
            if (!problem.isEmpty())
                report(tr("%1 could not be set up: %2").arg(m_subject, problem));
            return CaptureStart::Failed;
        }
        if (!launch(pipeline)) return CaptureStart::Failed;
    }
    return record ? openFile() : CaptureStart::Started;
}

CaptureStart GstCapture::openFile() {
    const QDir folder = QFileInfo(m_file).absoluteDir();
    const QString what = tr("%1 to %2").arg(m_subject, QDir::toNativeSeparators(m_file));
    if (!folder.exists()) {
        report(tr("%1 failed: the folder %2 does not exist.")
                   .arg(what, QDir::toNativeSeparators(folder.path())));
        return CaptureStart::FileNotFound;
    }
    const std::uint64_t file = ++m_files;
    auto writer = std::make_unique<GstFileWriter>(m_file, muxer(), [this, file] {
        QMetaObject::invokeMethod(this, [this, file] { fileFailed(file); }, Qt::QueuedConnection);
    });
    if (const QString problem = writer->open(); !problem.isEmpty()) {
        writer.reset();
        report(tr("%1 failed: %2").arg(what, problem));
        return CaptureStart::Failed;
    }
    // What the buffer holds comes first, then what the source gives from now on.
    std::lock_guard lock(m_writeLock);
    m_paused = false;
    m_fileClock = gst_pipeline_get_clock(GST_PIPELINE(m_pipeline));
    m_fileBaseTime = gst_element_get_base_time(m_pipeline);
    m_preAlarm.drain([&](GstBuffer* buffer, GstCaps* caps) { writer->push(buffer, caps); });
    m_writer = std::move(writer);
    return CaptureStart::Started;
}

// Lock held. The writer is taken out first, so the source never waits for its end.
void GstCapture::endFile() {
    std::unique_ptr<GstFileWriter> writer;
    {
        std::lock_guard lock(m_writeLock);
        writer = std::move(m_writer);
        if (m_fileClock) gst_clear_object(&m_fileClock);
    }
    if (!writer) return;
    const QString problem = writer->end(kWaitBound);
    if (!problem.isEmpty())
        report(tr("%1 to %2 failed: %3").arg(m_subject, QDir::toNativeSeparators(m_file), problem));
}

void GstCapture::fileFailed(std::uint64_t file) {
    std::unique_lock lock(m_lock, std::try_to_lock);
    if (!lock) {
        QTimer::singleShot(kRetryDelay, this, [this, file] { fileFailed(file); });
        return;
    }
    if (file == m_files) endFile();
}

void GstCapture::stopCapture() {
    std::lock_guard lock(m_lock);
    endFile();
    if (!m_keepOpen) halt();
}

void GstCapture::pauseCapture() {
    std::lock_guard lock(m_writeLock);
    m_paused = true;
}

void GstCapture::resumeCapture() {
    std::lock_guard lock(m_writeLock);
    if (m_paused && m_writer) m_writer->rebase();
    m_paused = false;
}

VideoElement::Recording GstCapture::fileRecording() const {
    std::lock_guard lock(m_writeLock);
    if (!m_writer) return {};
    quint64 position = m_writer->length();  // paused: the file's end so far
    if (!m_paused && m_fileClock) {
        const GstClockTime now = gst_clock_get_time(m_fileClock);
        position = m_writer->positionAt(now > m_fileBaseTime ? now - m_fileBaseTime : 0);
    }
    return {m_writer->path(), qint64(position / GST_MSECOND)};
}

void GstCapture::setPreAlarm(int seconds) {
    std::lock_guard lock(m_lock);
    {
        std::lock_guard writeLock(m_writeLock);
        m_preAlarm.setSeconds(seconds);
    }
    // An open source starts or stops keeping its seconds now, unless a file is written.
    if (m_pipeline && !m_writer && configuration() != m_configuration) {
        halt();
        QString problem;
        if (GstElement* pipeline = build(problem)) launch(pipeline);
    }
}

std::vector<std::pair<GstBuffer*, GstCaps*>> GstCapture::takeKept() {
    std::vector<std::pair<GstBuffer*, GstCaps*>> kept;
    std::lock_guard lock(m_writeLock);
    m_preAlarm.drain([&](GstBuffer* buffer, GstCaps* caps) {
        kept.emplace_back(gst_buffer_ref(buffer), gst_caps_ref(caps));
    });
    return kept;
}

void GstCapture::keepOpen(bool on) {
    std::lock_guard lock(m_lock);
    m_keepOpen = on;
    if (on && !running()) {
        m_record = false;
        QString problem;
        GstElement* pipeline = build(problem);
        if (pipeline) launch(pipeline);
        else if (!problem.isEmpty()) report(tr("%1 could not be set up: %2").arg(m_subject, problem));
    } else if (!on && !m_writer) {
        halt();
    }
}

void GstCapture::report(const QString& message) {
    QMetaObject::invokeMethod(
        this, [this, message] { emit failed(message); }, Qt::QueuedConnection);
}

// Null with an empty `problem` when there is no device (told once only).
GstElement* GstCapture::build(QString& problem) {
    GstElement* source = nullptr;
    GstCaps* preferred = nullptr;  // what the source is asked for, when it offers it
    if (m_simulated) {
        source = parseBin(testSource(), problem);
    } else {
        listSources();  // the chosen device may have been plugged in again, or a first one
        GstDevice* device = selectedDevice();
        if (!device) {
            if (!std::exchange(m_noDeviceReported, true)) report(m_noDevice);
            return nullptr;
        }
        m_noDeviceReported = false;
        source = gst_device_create_element(device, nullptr);
        if (!source) problem = tr("the device could not be opened");
        const QString wanted = preferredDeviceCaps();
        if (!wanted.isEmpty()) {
            GstCaps* offered = gst_device_get_caps(device);
            preferred = gst_caps_from_string(wanted.toUtf8().constData());
            if (!offered || !gst_caps_can_intersect(offered, preferred)) gst_clear_caps(&preferred);
            if (offered) gst_caps_unref(offered);
        }
    }
    GstElement* rest = source ? parseBin(processing(), problem) : nullptr;
    GstElement* pipeline = nullptr;
    if (rest) {
        pipeline = gst_pipeline_new(nullptr);
        gst_bin_add_many(GST_BIN(pipeline), source, rest, nullptr);
        if (!gst_element_link_filtered(source, rest, preferred)) {
            problem = tr("the device gives no format that can be used");
            gst_clear_object(&pipeline);
        }
    } else if (source) {
        gst_object_unref(source);
    }
    if (preferred) gst_caps_unref(preferred);
    return pipeline;
}

QString GstCapture::configuration() const {
    return selectedSourceName() + u'\n' + (m_simulated ? testSource() : preferredDeviceCaps()) +
           u'\n' + processing();
}

bool GstCapture::launch(GstElement* pipeline) {
    {
        std::lock_guard bus(m_busLock);
        m_error.clear();
    }
    m_pipeline = pipeline;
    m_configuration = configuration();
    ++m_generation;
    if (GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "encoded")) {
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = [](GstAppSink* appSink, gpointer self) {
            if (GstSample* sample = gst_app_sink_pull_sample(appSink)) {
                static_cast<GstCapture*>(self)->encodedSample(sample);
                gst_sample_unref(sample);
            }
            return GST_FLOW_OK;
        };
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        gst_object_unref(sink);
    }
    prepare(pipeline);

    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* message, gpointer self) {
            static_cast<GstCapture*>(self)->busMessage(message);
            gst_message_unref(message);
            return GST_BUS_DROP;
        },
        this, nullptr);
    gst_object_unref(bus);

    GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (result != GST_STATE_CHANGE_FAILURE)
        result = gst_element_get_state(pipeline, nullptr, nullptr, kWaitBoundNs);
    if (result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL) return true;
    {
        std::lock_guard lock(m_busLock);
        if (m_error.isEmpty()) {
            m_error = result == GST_STATE_CHANGE_ASYNC
                          ? tr("the device did not start within %1 seconds")
                                .arg(std::chrono::duration<double>(kWaitBound).count())
                          : tr("the device did not start");
        }
    }
    halt();
    return false;
}

void GstCapture::halt() {
    endFile();
    if (!m_pipeline) return;
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(std::exchange(m_pipeline, nullptr));
    {
        std::lock_guard lock(m_writeLock);
        m_preAlarm.clear();  // its times belong to this pipeline
    }
    stopped();

    QString error;
    {
        std::lock_guard lock(m_busLock);
        error = std::exchange(m_error, {});
    }
    if (!error.isEmpty()) report(tr("%1 failed: %2").arg(m_subject, error));
}

// On the streaming thread, for everything the file would hold.
void GstCapture::encodedSample(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!buffer || !caps) return;
    std::lock_guard lock(m_writeLock);
    if (!m_writer)
        m_preAlarm.add(buffer, caps);
    else if (!m_paused)
        m_writer->push(buffer, caps);
}

void GstCapture::busMessage(GstMessage* message) {
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        bool first = false;
        {
            std::lock_guard lock(m_busLock);
            first = m_error.isEmpty();
            if (first) m_error = QString::fromUtf8(error->message);
        }
        g_error_free(error);
        if (first) {
            const std::uint64_t generation = m_generation;
            QMetaObject::invokeMethod(
                this, [this, generation] { pipelineFailed(generation); }, Qt::QueuedConnection);
        }
    }
}

void GstCapture::pipelineFailed(std::uint64_t generation) {
    // Never waits for a call in progress: this may be the GUI thread.
    std::unique_lock lock(m_lock, std::try_to_lock);
    if (!lock) {
        QTimer::singleShot(kRetryDelay, this, [this, generation] { pipelineFailed(generation); });
        return;
    }
    if (m_pipeline && generation == m_generation) halt();
}

bool GstCapture::running() {
    if (!m_pipeline) return false;
    bool failed = false;
    {
        std::lock_guard lock(m_busLock);
        failed = !m_error.isEmpty();
    }
    if (failed) halt();
    return m_pipeline != nullptr;
}

}  // namespace nuvo
