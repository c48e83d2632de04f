#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

typedef struct _GstBuffer GstBuffer;
typedef struct _GstCaps GstCaps;

namespace nuvo {

// The last seconds of encoded frames or sound, in memory, so a capture can begin with
// what came before it. Bounded by its seconds and by kMaxBytes, the oldest going first.
// Not locked: its owner serialises the calls.
class PreAlarmBuffer {
public:
    static constexpr std::size_t kMaxBytes = 192u << 20;

    PreAlarmBuffer() = default;
    ~PreAlarmBuffer();
    PreAlarmBuffer(const PreAlarmBuffer&) = delete;
    PreAlarmBuffer& operator=(const PreAlarmBuffer&) = delete;

    void setSeconds(int seconds);  // 0 keeps nothing
    int seconds() const { return m_seconds; }
    // Keeps a reference to the buffer (and to caps, which all its buffers share).
    void add(GstBuffer* buffer, GstCaps* caps);
    // Hands each buffer, oldest first, to `take`, and empties the buffer.
    template <typename Take>
    void drain(Take take) {
        for (GstBuffer* buffer : m_buffers) take(buffer, m_caps);
        clear();
    }
    void clear();
    std::size_t bytes() const { return m_bytes; }

private:
    void trim();

    int m_seconds = 0;
    std::deque<GstBuffer*> m_buffers;
    GstCaps* m_caps = nullptr;
    std::size_t m_bytes = 0;
};

}  // namespace nuvo
