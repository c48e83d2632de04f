#include "capture/capturesubtitles.h"

#include "capture/captureelements.h"

#include <QObject>

#include <algorithm>

namespace nuvo {

CaptureSubtitles::CaptureSubtitles(VideoElement& video,
                                   std::function<void(const QString&)> problem,
                                   std::function<qint64()> clock)
    : m_video(video), m_problem(std::move(problem)), m_clock(std::move(clock)) {
    m_started.start();
    if (!m_clock) m_clock = [this] { return m_started.elapsed(); };
}

CaptureSubtitles::~CaptureSubtitles() { closeTrack(); }

void CaptureSubtitles::word(const QString& text) { add({m_clock(), true, text}); }

void CaptureSubtitles::line(const QString& text) { add({m_clock(), false, text}); }

void CaptureSubtitles::add(const Event& event) {
    poll();
    if (m_track) put(event, m_positionMs);
    m_recent.push_back(event);
    while (event.stampMs - m_recent.front().stampMs > kRecentMs) m_recent.pop_front();
}

void CaptureSubtitles::put(const Event& event, qint64 atMs) {
    if (event.word)
        m_track->word(atMs, event.text);
    else
        m_track->line(atMs, event.text);
}

void CaptureSubtitles::poll() {
    const VideoElement::Recording recording = m_video.recording();
    const qint64 now = m_clock();
    if (recording.path != m_videoPath) {
        closeTrack();
        if (!recording.path.isEmpty()) {
            m_videoPath = recording.path;
            m_track = std::make_unique<SubtitleTrack>(subtitlePath(recording.path));
            m_told = false;
            // The file's first frame was seen this long ago: the cues since go on it, and
            // what just came before, such as the alarm that started the capture, opens it.
            const qint64 origin = now - recording.positionMs;
            for (const Event& event : m_recent)
                if (event.stampMs >= origin - kLeadMs)
                    put(event, std::max<qint64>(event.stampMs - origin, 0));
        }
    }
    m_positionMs = recording.positionMs;
    m_polledAt = now;
    if (m_track) m_track->advance(m_positionMs);
    checkTrack();
}

void CaptureSubtitles::closeTrack() {
    if (!m_track) return;
    // The file went on since the last look, as far as anyone can tell.
    m_track->close(m_positionMs + m_clock() - m_polledAt);
    checkTrack();
    m_track.reset();
    m_videoPath.clear();
}

void CaptureSubtitles::checkTrack() {
    if (!m_track || m_told || m_track->error().isEmpty()) return;
    m_told = true;
    if (m_problem)
        m_problem(QObject::tr("The subtitles of %1 cannot be written: %2")
                      .arg(m_videoPath, m_track->error()));
}

}  // namespace nuvo
