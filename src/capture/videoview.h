#pragma once

#include <QImage>
#include <QWidget>

namespace nuvo {

// The live video area "Video": the newest frame, scaled to fit with its aspect kept, on
// black.
class VideoView : public QWidget {
    Q_OBJECT

public:
    explicit VideoView(QWidget* parent = nullptr);

    QSize sizeHint() const override;

public slots:
    void setFrame(const QImage& frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_frame;
};

}  // namespace nuvo
