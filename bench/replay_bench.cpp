// How far the replay's cursor lies from what the video shows: each marker set while a video
// was captured is drawn into the video's picture from the moment it was set, so the first
// frame that shows it, replayed through the review window's own player, puts the cursor
// where the marker's frame is; its distance from the marker's recorded time is the
// video/cursor offset. Prints one line per marker and the largest offset.
//
// Usage: replay_bench DATADIR [SESSION]   (a session recorded with "Video Capture On" and
// markers, for example by `nuvo --simulate`)
#include "review/gstreplay.h"
#include "review/sessionreader.h"
#include "session/sessiondatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

using namespace nuvo;

namespace {

constexpr int kSteadyFrames = 15;  // half a second: the moving test picture stays nowhere so long

bool bright(const QImage& frame, int x, int y) { return qGray(frame.pixel(x, y)) > 128; }

// The frame from which the marker's text is in the picture: the first one in which many
// pixels at the picture's foot turn bright and stay so, which the moving ball of the
// simulated camera does not do.
std::size_t markerOnset(const std::vector<std::pair<qint64, QImage>>& frames, std::size_t from) {
    for (std::size_t i = std::max<std::size_t>(from, 1); i + kSteadyFrames < frames.size(); ++i) {
        const QImage& frame = frames[i].second;
        int turned = 0;
        for (int y = frame.height() * 85 / 100; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                if (bright(frames[i - 1].second, x, y)) continue;
                bool steady = true;
                for (std::size_t j = i; steady && j <= i + kSteadyFrames; ++j) steady = bright(frames[j].second, x, y);
                turned += steady;
            }
        if (turned > 40) return i;
    }
    return frames.size();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: replay_bench DATADIR [SESSION]\n");
        return 2;
    }
    const QString dataDir = QString::fromLocal8Bit(argv[1]);
    const qint64 id = argc > 2 ? QByteArray(argv[2]).toLongLong() : 1;
    std::optional<SessionTimeline> timeline;
    {
        const SessionDatabase db(dataDir);
        QString error;
        timeline = readSessionTimeline(db, id, &error);
        if (!timeline) {
            std::fprintf(stderr, "replay_bench: %s %s\n", qPrintable(db.error()), qPrintable(error));
            return 1;
        }
    }
    constexpr qint64 kAround = 1500;
    qint64 largest = -1;
    for (const MarkerRow& marker : timeline->markers) {
        const CaptureRow* video = timeline->captureAt(marker.timeMs, QStringLiteral("video"));
        if (!video || marker.timeMs - video->startMs < kAround) continue;
        const qint64 at = marker.timeMs - video->startMs;
        GstReplay replay;
        std::vector<std::pair<qint64, QImage>> frames;
        QEventLoop loop;
        QObject::connect(&replay, &GstReplay::frame, [&](const QImage& picture, qint64 atMs) {
            frames.emplace_back(atMs, picture);
            if (atMs > at + kAround) loop.quit();
        });
        QObject::connect(&replay, &GstReplay::ended, &loop, &QEventLoop::quit);
        QTimer::singleShot(3 * kAround + 5000, &loop, &QEventLoop::quit);
        QString error;
        if (!replay.play(QDir(dataDir).filePath(video->file), at - kAround, &error)) {
            std::fprintf(stderr, "replay_bench: %s\n", qPrintable(error));
            return 1;
        }
        loop.exec();
        replay.stop();
        if (frames.size() < 10) continue;
        const auto from = std::find_if(frames.begin(), frames.end(), [&](const auto& f) { return f.first >= at - 500; });
        const std::size_t onset = markerOnset(frames, std::size_t(from - frames.begin()));
        const auto shown = frames.begin() + std::ptrdiff_t(onset);
        if (shown == frames.end()) {
            std::printf("marker at %s: not seen in the video\n", qPrintable(QString::number(at)));
            continue;
        }
        const qint64 cursor = video->startMs + shown->first;
        const qint64 offset = cursor - marker.timeMs;
        std::printf("marker \"%s\" %lld ms into the video: first shown in the frame at %lld ms, cursor %+lld ms "
                    "from the marker (%zu frames replayed)\n",
                    qPrintable(marker.kind), at, shown->first, offset, frames.size());
        largest = std::max(largest, std::abs(offset));
    }
    if (largest < 0) {
        std::printf("no marker inside a video capture\n");
        return 1;
    }
    std::printf("largest video/cursor offset: %lld ms\n", largest);
    return 0;
}
