#include "capture/prealarmbuffer.h"

#include <gst/gst.h>

namespace nuvo {

PreAlarmBuffer::~PreAlarmBuffer() {
    clear();
}

void PreAlarmBuffer::setSeconds(int seconds) {
    m_seconds = std::max(seconds, 0);
    trim();
}

void PreAlarmBuffer::add(GstBuffer* buffer, GstCaps* caps) {
    if (m_seconds == 0) return;
    // Frames of another shape (a turned picture) cannot follow these in one file.
    if (m_caps && m_caps != caps && !gst_caps_is_equal(m_caps, caps)) clear();
    if (m_caps != caps) gst_caps_replace(&m_caps, caps);
    m_buffers.push_back(gst_buffer_ref(buffer));
    m_bytes += gst_buffer_get_size(buffer);
    trim();
}

void PreAlarmBuffer::clear() {
    for (GstBuffer* buffer : m_buffers) gst_buffer_unref(buffer);
    m_buffers.clear();
    m_bytes = 0;
    gst_caps_replace(&m_caps, nullptr);
}

// The span counts from the oldest frame's start to the newest one's, so a full buffer
// holds the seconds it was set to.
void PreAlarmBuffer::trim() {
    const GstClockTime span = GstClockTime(m_seconds) * GST_SECOND;
    auto tooOld = [&] {
        if (m_buffers.empty()) return false;
        if (m_seconds == 0 || m_bytes > kMaxBytes) return true;
        const GstClockTime oldest = GST_BUFFER_PTS(m_buffers.front());
        const GstClockTime newest = GST_BUFFER_PTS(m_buffers.back());
        return GST_CLOCK_TIME_IS_VALID(oldest) && GST_CLOCK_TIME_IS_VALID(newest) &&
               newest - oldest > span;
    };
    while (tooOld()) {
        m_bytes -= gst_buffer_get_size(m_buffers.front());
        gst_buffer_unref(m_buffers.front());
        m_buffers.pop_front();
    }
}

}  // namespace nuvo
