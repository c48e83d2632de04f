#include "capture/gstcapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>

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

CaptureStart GstCapture::startCapture() {
    std::lock_guard lock(m_lock);
    halt();  // a start while running closes the file so far and begins anew
    QString problem;
    GstElement* pipeline = build(problem);
    if (!pipeline) {
        if (!problem.isEmpty()) report(tr("%1 could not be set up: %2").arg(m_subject, problem));
        return CaptureStart::Failed;
    }
    GstElement* file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
    const bool writes = file != nullptr;
    if (file) gst_object_unref(file);
    const QDir folder = QFileInfo(m_file).absoluteDir();
    if (writes && !folder.exists()) {
        gst_object_unref(pipeline);
        report(tr("%1 to %2 failed: the folder %3 does not exist.")
                   .arg(m_subject, QDir::toNativeSeparators(m_file),
                        QDir::toNativeSeparators(folder.path())));
        return CaptureStart::FileNotFound;
    }
    return launch(pipeline) ? CaptureStart::Started : CaptureStart::Failed;
}

void GstCapture::stopCapture() {
    std::lock_guard lock(m_lock);
    halt();
}

void GstCapture::pauseCapture() {
    m_paused = true;
}

void GstCapture::resumeCapture() {
    m_paused = false;
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

bool GstCapture::launch(GstElement* pipeline) {
    {
        std::lock_guard bus(m_busLock);
        m_error.clear();
        m_ended = false;
    }
    m_pipeline = pipeline;
    ++m_generation;

    GstElement* file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
    m_writesFile = file != nullptr;
    if (file) {
#ifdef Q_OS_WIN
        const QByteArray location = m_file.toUtf8();  // GLib's file names are UTF-8 there
#else
        const QByteArray location = QFile::encodeName(m_file);
#endif
        g_object_set(file, "location", location.constData(), nullptr);
        gst_object_unref(file);
    }
    m_paused = false;
    if (GstElement* encoder = gst_bin_get_by_name(GST_BIN(pipeline), "encode")) {
        // AVI and WAV keep their frames and samples one after another without times, so
        // what a pause leaves out leaves no gap.
        GstPad* pad = gst_element_get_static_pad(encoder, "sink");
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer self) {
                return static_cast<GstCapture*>(self)->m_paused ? GST_PAD_PROBE_DROP
                                                                : GST_PAD_PROBE_OK;
            },
            this, nullptr);
        gst_object_unref(pad);
        gst_object_unref(encoder);
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
    if (!m_pipeline) return;
    bool unfinished = false;
    if (m_writesFile) {
        // The muxer writes the file's headers at the end of the stream.
        std::unique_lock bus(m_busLock);
        if (m_error.isEmpty()) {
            bus.unlock();
            gst_element_send_event(m_pipeline, gst_event_new_eos());
            bus.lock();
            unfinished = !m_busChanged.wait_for(bus, kWaitBound,
                                                [this] { return m_ended || !m_error.isEmpty(); });
        }
    }
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(std::exchange(m_pipeline, nullptr));
    stopped();

    QString error;
    {
        std::lock_guard lock(m_busLock);
        error = std::exchange(m_error, {});
    }
    const QString what =
        m_writesFile ? tr("%1 to %2").arg(m_subject, QDir::toNativeSeparators(m_file)) : m_subject;
    if (!error.isEmpty())
        report(tr("%1 failed: %2").arg(what, error));
    else if (unfinished)
        report(tr("%1 was not finished in time; the file may be incomplete.").arg(what));
}

void GstCapture::busMessage(GstMessage* message) {
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        std::lock_guard lock(m_busLock);
        m_ended = true;
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
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
    } else {
        return;
    }
    m_busChanged.notify_all();
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
