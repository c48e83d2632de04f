#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include "records/qtpicturerenderer.h"

using namespace nuvo;

namespace {

constexpr int kStrongChange = 60;

int difference(QRgb p, QRgb q) {
    return qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
}

// Pixels in `area` whose colour differs by more than JPEG noise between two pictures.
int changedPixels(const QImage& a, const QImage& b, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += difference(a.pixel(x, y), b.pixel(x, y)) > kStrongChange;
    return n;
}

double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) sum += difference(a.pixel(x, y), b.pixel(x, y));
    return sum / (a.width() * a.height());
}

}  // namespace

class PictureTest : public QObject {
    Q_OBJECT

private slots:
    void savesAJpegOfTheBackgroundWithTheTextOnIt();
    void unwritablePathFails();

private:
    QTemporaryDir m_dir;
    QtPictureRenderer m_renderer;

    QImage saved(const QString& text, const QString& name) {
        const QString path = m_dir.filePath(name);
        QString error;
        if (!m_renderer.save(text, path, &error)) qWarning() << error;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !file.read(2).startsWith("\xFF\xD8")) return {};
        QImageReader reader(path);
        return reader.format() == "jpeg" ? reader.read() : QImage();
    }
};

void PictureTest::savesAJpegOfTheBackgroundWithTheTextOnIt() {
    const QImage empty = saved(QString(), QStringLiteral("empty.jpg"));
    QCOMPARE(empty.size(), QSize(573, 381));
    const QImage background(QStringLiteral(":/verified-background.png"));
    QVERIFY(meanDifference(empty, background) < 10);  // JPEG noise only

    // Just the first letter of a line, so text drawn off the left margin shows.
    const QRect firstLine(0, 2, 14, 10), secondLine(0, 19, 14, 10);
    const struct {
        QString text;
        QRect drawn, untouched;
    } cases[] = {
        {QStringLiteral("WWWW"), firstLine, secondLine},
        {QStringLiteral("\r\nWWWW"), secondLine, firstLine},
        {QStringLiteral("xxxxxxxxxxxxxxxxxxxx\r\nWWWW"), secondLine, QRect(0, 36, 14, 10)},
    };
    for (const auto& c : cases) {
        const QImage picture = saved(c.text, QStringLiteral("text.jpg"));
        QVERIFY2(changedPixels(picture, empty, c.drawn) > 10, qPrintable(c.text));
        QCOMPARE(changedPixels(picture, empty, c.untouched), 0);
    }
}

void PictureTest::unwritablePathFails() {
    const QString path = m_dir.filePath(QStringLiteral("missing/1 KVSCREEN.jpg"));
    QString error;
    QVERIFY(!m_renderer.save(QStringLiteral("text"), path, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
}

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
