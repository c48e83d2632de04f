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
    void everyWordLiesInsideThePictureAndOffTheSeal();
    void sealTextStandsInForTheSeals();
    void aLongSealTextStaysOnItsRibbon();
    void unwritablePathFails();

private:
    QTemporaryDir m_dir;
    QtPictureRenderer m_renderer;

    QImage saved(const QString& text, const QString& name, const QString& seal = {}) {
        const QString path = m_dir.filePath(name);
        QString error;
        if (!m_renderer.save(text, path, seal, &error)) qWarning() << error;
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
    const QRect firstLine(0, 6, 22, 10), secondLine(0, 23, 22, 10);
    const struct {
        QString text;
        QRect drawn, untouched;
    } cases[] = {
        {QStringLiteral("WWWW"), firstLine, secondLine},
        {QStringLiteral("\r\nWWWW"), secondLine, firstLine},
        {QStringLiteral("xxxxxxxxxxxxxxxxxxxx\r\nWWWW"), secondLine, QRect(0, 40, 22, 10)},
    };
    for (const auto& c : cases) {
        const QImage picture = saved(c.text, QStringLiteral("text.jpg"));
        QVERIFY2(changedPixels(picture, empty, c.drawn) > 10, qPrintable(c.text));
        QCOMPARE(changedPixels(picture, empty, c.untouched), 0);
    }
}

// Twenty lines as the display holds them before it is saved: long lines wrap, and the
// picture grows where they do not fit above the seal.
void PictureTest::everyWordLiesInsideThePictureAndOffTheSeal() {
    const QString longLine = QStringLiteral(
        "User: Is anyone here with us tonight matter explosion Esther their gate common see "
        "material chance equal kid soldier grace close?\r\n");
    const QString unbroken = QString(120, QLatin1Char('x')) + QStringLiteral("\r\n");
    const struct {
        QString text;
        bool taller;
    } cases[] = {
        {QStringLiteral("WWWW"), false},
        {longLine.repeated(3), false},
        {longLine.repeated(20), true},
        {unbroken.repeated(20), true},
    };
    for (const auto& c : cases) {
        const auto layout = m_renderer.layout(c.text);
        const QRectF picture(QPointF(0, 0), QSizeF(layout.size));
        QVERIFY2(picture.contains(layout.textBounds), qPrintable(c.text.left(20)));
        QVERIFY(!layout.textBounds.intersects(QRectF(layout.seal)));
        QCOMPARE(layout.size.width(), 573);
        QCOMPARE(layout.size.height() > 381, c.taller);
        QCOMPARE(saved(c.text, QStringLiteral("lines.jpg")).size(), layout.size);
    }
    if (qEnvironmentVariableIsSet("NUVO_SCREENSHOTS"))
        m_renderer.draw(longLine.repeated(20), QStringLiteral("SIMULATED UNIT"))
            .save(qEnvironmentVariable("NUVO_SCREENSHOTS") + "/verified-picture-20-lines.png");
}

void PictureTest::sealTextStandsInForTheSeals() {
    const QImage own = saved(QString(), QStringLiteral("own.jpg"));
    const QImage marked = saved(QString(), QStringLiteral("marked.jpg"), QStringLiteral("SIMULATED UNIT"));
    const QRect ribbon = m_renderer.layout(QString()).sealText;
    QVERIFY(changedPixels(own, marked, ribbon) > 50);
    QCOMPARE(changedPixels(own, marked, QRect(0, 0, 573, ribbon.top() - 2)), 0);
}

// Too long for the ribbon at a readable size, the seal text widens the ribbon: the
// ribbon's colour frames every letter, and no letter lies on the seal around it.
void PictureTest::aLongSealTextStaysOnItsRibbon() {
    const QImage own = m_renderer.draw(QString(), QString());
    const QImage marked = m_renderer.draw(QString(), QStringLiteral("SIMULATED UNIT / CONTROL RUN"));
    QRect changed;
    for (int y = 0; y < own.height(); ++y)
        for (int x = 0; x < own.width(); ++x)
            if (own.pixel(x, y) != marked.pixel(x, y)) changed |= QRect(x, y, 1, 1);
    QVERIFY(changed.width() > m_renderer.layout(QString()).sealText.width());
    const QRgb ribbon = qRgb(0x6E, 0x1F, 0x1F);
    for (int y = changed.top(); y <= changed.bottom(); ++y) {
        QCOMPARE(marked.pixel(changed.left(), y), ribbon);
        QCOMPARE(marked.pixel(changed.right(), y), ribbon);
    }
    for (int x = changed.left(); x <= changed.right(); ++x) {
        QCOMPARE(marked.pixel(x, changed.top()), ribbon);
        QCOMPARE(marked.pixel(x, changed.bottom()), ribbon);
    }
}

void PictureTest::unwritablePathFails() {
    const QString path = m_dir.filePath(QStringLiteral("missing/1 KVSCREEN.jpg"));
    QString error;
    QVERIFY(!m_renderer.save(QStringLiteral("text"), path, {}, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
}

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
