#pragma once

#include <QImage>

#include "records/picturerenderer.h"

namespace nuvo {

// Draws the main display's text over the verified background with QPainter on an image,
// which needs no window and works off the GUI thread.
class QtPictureRenderer : public PictureRenderer {
public:
    QtPictureRenderer();
    bool save(const QString& text, const QString& path, QString* error) override;

private:
    QImage m_background;  // only read after construction, so threads may share it
};

}  // namespace nuvo
