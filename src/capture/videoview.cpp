#include "capture/videoview.h"

#include <QPainter>

namespace nuvo {

VideoView::VideoView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Video"));
    // paintEvent covers the whole area itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize VideoView::sizeHint() const {
    return {320, 240};
}

void VideoView::setFrame(const QImage& frame) {
    m_frame = frame;
    update();
}

void VideoView::setLook(bool keepAspectRatio, const QColor& background) {
    m_keepAspectRatio = keepAspectRatio;
    m_background = background;
    update();
}

void VideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_frame.isNull()) {
        painter.fillRect(rect(), m_background);
        return;
    }
    QRect target = rect();
    if (m_keepAspectRatio) {
        target.setSize(m_frame.size().scaled(size(), Qt::KeepAspectRatio));
        target.moveCenter(rect().center());
    }
    // Only the bars beside the picture are cleared; the picture is drawn without smoothing,
    // which costs a fraction of a filtered scale.
    const QRegion bars = QRegion(rect()) - target;
    for (const QRect& bar : bars) painter.fillRect(bar, m_background);
    painter.drawImage(target, m_frame);
}

}  // namespace nuvo
