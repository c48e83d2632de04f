#include "records/qtpicturerenderer.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace nuvo {

namespace {

// The text starts inside the picture's frame (10 twips, less than a pixel, would be on it).
constexpr QPointF kOrigin(8, 6);
constexpr int kRightMargin = 8;
// Where the background's seal, its ribbon and the caption left of it lie.
constexpr QRect kSeal(228, 228, 345, 153);
constexpr QRect kSealRibbon(438, 315, 109, 18);
constexpr QRgb kRibbonColor = 0x6E1F1F;
constexpr QRgb kRibbonTextColor = 0xF0D890;
constexpr int kSmallestSealPixels = 9;
// A stretch of plain background above the seal, repeated where the picture grows.
constexpr int kBandHeight = 40;

}  // namespace

QtPictureRenderer::QtPictureRenderer()
    : m_background(QImage(QStringLiteral(":/verified-background.png"))
                       .convertToFormat(QImage::Format_RGB32)),
      m_font(QStringLiteral("Sans Serif")) {
    m_font.setStyleHint(QFont::SansSerif);
    m_font.setPixelSize(13);
}

QtPictureRenderer::Lines QtPictureRenderer::wrap(const QString& text) const {
    const QPointF start = kOrigin;
    const double width = m_background.width() - start.x() - kRightMargin;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Lines lines;
    double y = start.y();
    for (const QString& paragraph : text.split(QStringLiteral("\r\n"))) {
        auto layout = std::make_unique<QTextLayout>(paragraph, m_font, &m_background);
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(start.x(), y));
            y += line.height();
        }
        layout->endLayout();
        lines.push_back(std::move(layout));
    }
    return lines;
}

QtPictureRenderer::Layout QtPictureRenderer::layout(const QString& text) const {
    QRectF bounds;
    for (const auto& paragraph : wrap(text))
        for (int i = 0; i < paragraph->lineCount(); ++i) {
            const QTextLine line = paragraph->lineAt(i);
            if (line.textLength() > 0) bounds |= line.naturalTextRect();
        }
    const int extra = std::max(0, int(std::ceil(bounds.bottom())) - kSeal.top() + 1);
    return {QSize(m_background.width(), m_background.height() + extra), bounds,
            kSeal.translated(0, extra), kSealRibbon.translated(0, extra)};
}

QImage QtPictureRenderer::background(int extraHeight) const {
    if (extraHeight == 0) return m_background;
    QImage image(m_background.width(), m_background.height() + extraHeight, m_background.format());
    QPainter painter(&image);
    const int top = kSeal.top();
    painter.drawImage(0, 0, m_background, 0, 0, -1, top);
    for (int y = top; y < top + extraHeight; y += kBandHeight)
        painter.drawImage(0, y, m_background, 0, top - kBandHeight, -1,
                          std::min(kBandHeight, top + extraHeight - y));
    painter.drawImage(0, top + extraHeight, m_background, 0, top, -1, -1);
    return image;
}

QImage QtPictureRenderer::draw(const QString& text, const QString& sealText) const {
    const Layout where = layout(text);
    QImage image = background(where.size.height() - m_background.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(0xF4, 0xEB, 0xD0));
    for (const auto& paragraph : wrap(text)) paragraph->draw(&painter, QPointF());
    if (!sealText.isEmpty()) {
        QFont font(QStringLiteral("Serif"));
        font.setStyleHint(QFont::Serif);
        font.setBold(true);
        font.setPixelSize(where.sealText.height() - 6);
        const auto advance = [&] { return QFontMetrics(font, &image).boundingRect(sealText).width() + 8; };
        // Smaller type until the text fits the ribbon; a text still too long at the smallest
        // readable size widens the ribbon to both sides.
        QRect ribbon = where.sealText;
        while (font.pixelSize() > kSmallestSealPixels && advance() > ribbon.width())
            font.setPixelSize(font.pixelSize() - 1);
        const int grow = advance() - ribbon.width();
        if (grow > 0) ribbon.adjust(-(grow + 1) / 2, 0, grow / 2 + 1, 0);
        ribbon.moveRight(std::min(ribbon.right(), image.width() - 1));  // inside the picture
        painter.fillRect(ribbon, QColor(kRibbonColor));
        painter.setFont(font);
        painter.setPen(QColor(kRibbonTextColor));
        painter.drawText(ribbon, Qt::AlignCenter, sealText);
    }
    return image;
}

bool QtPictureRenderer::save(const QString& text, const QString& path, const QString& sealText,
                             QString* error) {
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    if (writer.write(draw(text, sealText))) return true;
    *error = QStringLiteral("Could not save the picture %1: %2.")
                 .arg(QDir::toNativeSeparators(path), writer.errorString());
    return false;
}

}  // namespace nuvo
