#include "records/qtpicturerenderer.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>

namespace nuvo {

namespace {

constexpr double kTwipsPerInch = 1440;
constexpr int kOriginTwips = 10;

}  // namespace

QtPictureRenderer::QtPictureRenderer()
    : m_background(QImage(QStringLiteral(":/verified-background.png"))
                       .convertToFormat(QImage::Format_RGB32)) {}

bool QtPictureRenderer::save(const QString& text, const QString& path, QString* error) {
    QImage image = m_background;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QFont font(QStringLiteral("Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(13);
        painter.setFont(font);
        painter.setPen(QColor(0xF4, 0xEB, 0xD0));
        const QFontMetricsF metrics(font, &image);
        const double left = kOriginTwips * image.logicalDpiX() / kTwipsPerInch;
        double baseline = kOriginTwips * image.logicalDpiY() / kTwipsPerInch + metrics.ascent();
        for (const QString& line : text.split(QStringLiteral("\r\n"))) {
            painter.drawText(QPointF(left, baseline), line);
            baseline += metrics.lineSpacing();
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    if (writer.write(image)) return true;
    *error = QStringLiteral("Could not save the picture %1: %2.")
                 .arg(QDir::toNativeSeparators(path), writer.errorString());
    return false;
}

}  // namespace nuvo
