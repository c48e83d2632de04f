#include "capture/qtoverlaypainter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace nuvo {

namespace {

QColor color(quint32 rgb) {
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

QFont font(const TextOverlayFont& chosen) {
    QFont font(chosen.name);
    font.setPixelSize(std::max(1, chosen.size));
    font.setBold(chosen.style == 1 || chosen.style == 3);
    font.setItalic(chosen.style == 2 || chosen.style == 3);
    font.setUnderline(chosen.style == 4);
    return font;
}

// CR, LF, CR LF and LF CR each end a line.
QStringList lines(const QString& text) {
    QStringList lines{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            lines.last() += c;
            continue;
        }
        const QChar pair = c == u'\r' ? u'\n' : u'\r';
        if (i + 1 < text.size() && text[i + 1] == pair) ++i;
        lines << QString();
    }
    return lines;
}

QImage hatchTile(int style, quint32 fore, quint32 back) {
    QImage tile(8, 8, QImage::Format_RGB32);
    const auto rows = hatchPattern(style);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, 0xFF000000u | ((rows[y] & (0x80 >> x)) ? fore : back));
    return tile;
}

void paintMarker(QPainter& painter, QSize frame, const QString& marker) {
    // White on black, so it reads on any picture.
    painter.setFont(font({QStringLiteral("DejaVu Sans"), std::max(12, frame.height() / 24), 1}));
    const QFontMetrics metrics = painter.fontMetrics();
    const int margin = metrics.height() / 3;
    const QRect box(margin, frame.height() - metrics.height() - 3 * margin,
                    metrics.horizontalAdvance(marker) + 2 * margin, metrics.height() + 2 * margin);
    painter.fillRect(box, Qt::black);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, marker);
}

}  // namespace

bool QtOverlayPainter::draws(const VideoOverlays& overlays) {
    return overlays.invert || overlays.picture.shown || overlays.text.shown ||
           overlays.date.shown || !overlays.marker.isEmpty();
}

void QtOverlayPainter::paint(QImage& frame, const VideoOverlays& overlays, const QDateTime& now) {
    if (overlays.invert) frame.invertPixels();
    const bool picture = overlays.picture.shown && !overlays.picture.file.isEmpty();
    if (!picture && !overlays.text.shown && !overlays.date.shown && overlays.marker.isEmpty())
        return;

    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    if (picture) {
        const VideoOverlays::Picture& place = overlays.picture;
        const QImage& image = this->picture(place.file, place.transparentColor);
        if (!image.isNull()) {
            painter.setOpacity(std::clamp(place.alpha, 0, 255) / 255.0);
            painter.drawImage(QPoint(place.left, place.top), image);
            painter.setOpacity(1);
        }
    }
    if (overlays.text.shown) paintText(painter, overlays.text);
    if (overlays.date.shown) {
        const VideoOverlays::Date& date = overlays.date;
        painter.setFont(font(date.font));
        painter.setPen(color(date.color));
        painter.drawText(QPoint(date.left, date.top + painter.fontMetrics().ascent()),
                         dateStampText(date.format, now));
    }
    if (!overlays.marker.isEmpty()) paintMarker(painter, frame.size(), overlays.marker);
}

void QtOverlayPainter::paintText(QPainter& painter, const VideoOverlays::Text& text) {
    painter.setFont(font(text.font));
    const QFontMetrics metrics = painter.fontMetrics();
    const QStringList all = lines(text.text);
    auto baseline = [&](qsizetype line) {
        return text.top + metrics.ascent() + int(line) * metrics.lineSpacing();
    };

    TextStyle style = text.style;
    if (style == TextStyle::Texture && texture(text.textureFile).isNull()) style = TextStyle::Normal;
    if (style == TextStyle::Normal) {
        painter.setPen(color(text.color));
        for (qsizetype i = 0; i < all.size(); ++i)
            painter.drawText(QPoint(text.left, baseline(i)), all[i]);
        return;
    }

    QPainterPath path;
    for (qsizetype i = 0; i < all.size(); ++i)
        path.addText(QPointF(text.left, baseline(i)), painter.font(), all[i]);
    painter.setBrushOrigin(text.left, text.top);  // the pattern starts with the text
    switch (style) {
    case TextStyle::FilledOutline:
        painter.fillPath(path, color(text.outlineBack));
        [[fallthrough]];
    case TextStyle::Outline:
        painter.strokePath(path, QPen(color(text.outlineBorder), 1));
        break;
    case TextStyle::Hatch:
        painter.fillPath(path, QBrush(hatchTile(text.hatchStyle, text.hatchFore, text.hatchBack)));
        break;
    case TextStyle::Texture:
        painter.fillPath(path, QBrush(m_texture));
        break;
    case TextStyle::Normal:
        break;
    }
}

const QImage& QtOverlayPainter::picture(const QString& file, quint32 transparentColor) {
    const bool read = file != m_pictureFile;
    if (read) {
        m_pictureFile = file;
        m_pictureRead = QImage(file).convertToFormat(QImage::Format_ARGB32);
    }
    if (read || transparentColor != m_transparentColor) {
        m_transparentColor = transparentColor;
        QImage keyed = m_pictureRead;
        for (int y = 0; y < keyed.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x)
                if ((row[x] & 0xFFFFFF) == (transparentColor & 0xFFFFFF)) row[x] = 0;
        }
        m_picture = keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return m_picture;
}

const QImage& QtOverlayPainter::texture(const QString& file) {
    if (file != m_textureFile) {
        m_textureFile = file;
        m_texture = QImage(file);
    }
    return m_texture;
}

}  // namespace nuvo
