#pragma once

#include "capture/captureelements.h"
#include "capture/gstcapture.h"
#include "capture/qtoverlaypainter.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <condition_variable>

typedef struct _GstPad GstPad;
typedef struct _GstPadProbeInfo GstPadProbeInfo;

namespace nuvo {

// The camera (or, simulated, a moving test picture) at the chosen size, 640 × 480 unless
// another was chosen: an AVI capture (MJPEG unless a compressor is chosen), the newest
// frame for pictures and the preview, and the overlays painted into every frame.
//
// Preview frames are delivered by frameReady() in this object's thread, so create it in
// the thread of the view. At most one frame waits for delivery; frames that come meanwhile
// replace it, so a busy receiver never builds up a backlog.
class GstVideoElement : public GstCapture, public VideoElement {
    Q_OBJECT

public:
    static constexpr QSize kDefaultSize{640, 480};
    static constexpr int kMaxFrameRate = 30;
    static constexpr int kJpegQuality = 75;

    explicit GstVideoElement(bool simulated, QObject* parent = nullptr);
    ~GstVideoElement() override;

    void setFileName(const QString& path) override;
    void setCaptureToFile(bool on) override;
    void setPreview(bool on) override;
    void setDateTimeOverlay(bool on) override;
    CaptureStart start() override;
    void stop() override;
    void savePicture(const QString& path) override;
    void pause() override;
    void resume() override;
    void setPreAlarmSeconds(int seconds) override;
    Recording recording() const override;
    void saveKeptPictures(const std::function<QString()>& nextName) override;

    QStringList devices() const override;
    void selectDevice(int position) override;
    int device() const override;
    QStringList inputs() const override;
    void selectInput(int position) override;
    QStringList formats() const override;
    void selectFormat(int position) override;
    QStringList compressors() const override;
    void selectCompressor(int position) override;
    void setUseCompressor(bool on) override;
    bool showCompressorSettings(int position) override;
    bool showDeviceSettings() override;
    void setCaptureVideo(bool on) override;
    void setKeepAspectRatio(bool on) override;
    void setBackgroundColor(quint32 rgb) override;
    void setTvMute(bool on) override;

    VideoOverlays overlays() const override;
    void setOverlays(const VideoOverlays& overlays) override;

signals:
    void frameReady(const QImage& frame);
    // How the preview fills its area: the picture with its aspect kept (or stretched) on
    // the background colour.
    void previewLookChanged(bool keepAspectRatio, const QColor& background);

protected:
    QString testSource() const override;
    QString processing() const override;
    QString muxer() const override;
    QString preferredDeviceCaps() const override;
    void prepare(GstElement* pipeline) override;
    void stopped() override;

private:
    struct Input {
        QString name;
        int v4l2Index = -1;  // -1: the device's only input, nothing to switch
    };
    // Of the selected source (lock held).
    std::vector<Input> inputList() const;
    std::vector<QSize> sizes() const;
    QString devicePath() const;

    void applyRotation();  // lock held
    void pictureSaved(const QString& path, const QString& problem);  // lock held
    void paintFrame(GstPad* pad, GstPadProbeInfo* info);
    void newFrame(const QImage& frame);
    void deliverFrame();
    void emitLook();

    // Under m_lock.
    bool m_captureToFile = false;
    bool m_captureVideo = true;
    bool m_noVideoTold = false;  // told once until the video stream is captured again
    bool m_useCompressor = false;
    int m_compressor = -1;
    int m_input = 0;
    QSize m_size = kDefaultSize;
    int m_rotation = 0;  // the running pipeline's
    bool m_keepAspectRatio = true;
    quint32 m_background = 0x000000;
    // No source here carries a TV tuner's sound (the pipeline records no sound at all), so
    // the setting is only kept.
    bool m_tvMute = false;
    bool m_pictureFailed = false;  // told once until a picture is saved again

    // Read by the streaming thread for every frame.
    mutable std::mutex m_overlayLock;
    VideoOverlays m_overlays;
    QtOverlayPainter m_painter;  // used by the streaming thread only

    std::mutex m_frameLock;
    std::condition_variable m_frameCame;
    QImage m_frame;  // the newest, null while nothing runs
    bool m_preview = true;
    bool m_framePending = false;  // a delivery is queued
};

}  // namespace nuvo
