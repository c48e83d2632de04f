#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRectF>

#include "records/picturerenderer.h"

#include <memory>
#include <vector>

class QTextLayout;

namespace nuvo {

// Draws the main display's text over the verified background with QPainter on an image,
// which needs no window and works off the GUI thread. Lines are wrapped at word boundaries
// to the picture's width; where they do not fit above the seal, the picture grows taller
// (the background is stretched between the text and the seal), so every word is drawn
// whole and none over the seal.
class QtPictureRenderer : public PictureRenderer {
public:
    QtPictureRenderer();
    bool save(const QString& text, const QString& path, const QString& sealText,
              QString* error) override;

    struct Layout {
        QSize size;         // of the picture
        QRectF textBounds;  // of every line of text drawn
        QRect seal;         // the seal and the caption beside it, kept clear of text
        QRect sealText;     // where the seal's text is
    };
    Layout layout(const QString& text) const;
    QImage draw(const QString& text, const QString& sealText) const;

private:
    using Lines = std::vector<std::unique_ptr<QTextLayout>>;
    Lines wrap(const QString& text) const;
    QImage background(int extraHeight) const;

    QImage m_background;  // only read after construction, so threads may share it
    QFont m_font;
};

}  // namespace nuvo
