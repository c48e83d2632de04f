#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace nuvo {

// The live video area "Video": the newest frame, scaled to fit with its aspect kept (or
// stretched over the whole area) on the background colour, black unless set.
class VideoView : public QWidget {
    Q_OBJECT

public:
    explicit VideoView(QWidget* parent = nullptr);

    QSize sizeHint() const override;

public slots:
    void setFrame(const QImage& frame);
    void setLook(bool keepAspectRatio, const QColor& background);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_frame;
    bool m_keepAspectRatio = true;
    QColor m_background = Qt::black;
};

}  // namespace nuvo
