#pragma once

#include "capture/captureelements.h"
#include "capture/gstcapture.h"

#include <QImage>

namespace nuvo {

// The camera (or, simulated, a moving test picture) at 640 × 480: an MJPEG AVI capture,
// the newest frame for pictures and the preview, and a date and time overlay.
//
// Preview frames are delivered by frameReady() in this object's thread, so create it in
// the thread of the view. At most one frame waits for delivery; frames that come meanwhile
// replace it, so a busy receiver never builds up a backlog.
class GstVideoElement : public GstCapture, public VideoElement {
    Q_OBJECT

public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr int kMaxFrameRate = 30;
    static constexpr int kJpegQuality = 75;

    explicit GstVideoElement(bool simulated, QObject* parent = nullptr);
    ~GstVideoElement() override;

    void setFileName(const QString& path) override;
    void setCaptureToFile(bool on) override;
    void setPreview(bool on) override;
    void setDateTimeOverlay(bool on) override;
    void start() override;
    void stop() override;
    void savePicture(const QString& path) override;
    void pause() override;
    void resume() override;

signals:
    void frameReady(const QImage& frame);

protected:
    QString testSource() const override;
    QString processing() const override;
    QString preferredDeviceCaps() const override;
    void prepare(GstElement* pipeline) override;
    void stopped() override;

private:
    void newFrame(const QImage& frame);
    void deliverFrame();
    void showOverlay(GstElement* pipeline);

    // Under m_lock.
    bool m_captureToFile = false;
    bool m_overlay = false;
    bool m_pictureFailed = false;  // told once until a picture is saved again

    std::mutex m_frameLock;
    std::condition_variable m_frameCame;
    QImage m_frame;  // the newest, null while nothing runs
    bool m_preview = true;
    bool m_framePending = false;  // a delivery is queued
};

}  // namespace nuvo
