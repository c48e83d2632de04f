#pragma once

#include "capture/videooverlays.h"

#include <QImage>

class QPainter;

namespace nuvo {

// Draws the overlays into a frame in place with QPainter: the inversion, then the picture,
// the text lines, the date stamp and a marker's text. The picture and texture files are read once per file
// name (a file that cannot be read is not tried again until another name is given).
// One painter serves one thread at a time.
class QtOverlayPainter {
public:
    // Whether paint() changes frames at all.
    static bool draws(const VideoOverlays& overlays);
    void paint(QImage& frame, const VideoOverlays& overlays, const QDateTime& now);

private:
    const QImage& picture(const QString& file, quint32 transparentColor);
    const QImage& texture(const QString& file);
    void paintText(QPainter& painter, const VideoOverlays::Text& text);

    QString m_pictureFile;
    QImage m_pictureRead;  // as read from the file
    quint32 m_transparentColor = 0;
    QImage m_picture;  // with the transparent colour left out
    QString m_textureFile;
    QImage m_texture;
};

}  // namespace nuvo
