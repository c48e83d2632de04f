#include "scope/scopeview.h"
#include "scope/updscope.h"

#include <QImage>
#include <QtTest>

using namespace nuvo;

namespace {

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kCyan = qRgb(0, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// 351 × 269 pixels: one pixel per ten logical units in both directions, logical (x, y)
// lands on pixel (x / 10, y / 10).
constexpr int kWidth = 351;
constexpr int kHeight = 269;

QImage render(ScopeView& view, int width = kWidth, int height = kHeight) {
    view.resize(width, height);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::magenta);  // anything left unpainted shows
    view.render(&image);
    return image;
}

bool isColor(const QImage& image, int x, int y, QRgb color) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
}

int countColor(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += isColor(image, x, y, color);
    return n;
}

QList<int> rowsInColumn(const QImage& image, int x, QRgb color) {
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (isColor(image, x, y, color)) rows.append(y);
    return rows;
}

QList<int> columnsInRow(const QImage& image, int y, QRgb color) {
    return rowsInColumn(image.transformed(QTransform(0, 1, 1, 0, 0, 0)), y, color);
}

}  // namespace

class ScopeViewTest : public QObject {
    Q_OBJECT

private slots:
    void gridCoversTheBoxUpToItsLastPixel();
    void traceLevelsAndColours();
    void scaleIsEqualAndLinesStayThin();
    void aConstantInputDrawsAFlatTrace();
};

void ScopeViewTest::gridCoversTheBoxUpToItsLastPixel() {
    ScopeView view;
    ScopeFrame frame;  // samples present, no trace chosen: the grid alone
    frame.scopeab.fill(1000);
    view.setFrame(frame);
    const QImage image = render(view);
    QCOMPARE(countColor(image, qRgb(255, 0, 255)), 0);
    QCOMPARE(countColor(image, kGreen), 0);
    QVERIFY(isColor(image, 25, 25, kBlack));
    // Grid every 500 units, the last column (x = 3500) included; rows to 2500.
    QCOMPARE(rowsInColumn(image, 25, kBlue), (QList<int>{0, 50, 100, 150, 200, 250}));
    QCOMPARE(columnsInRow(image, 25, kBlue), (QList<int>{0, 50, 100, 150, 200, 250, 300, 350}));
}

void ScopeViewTest::traceLevelsAndColours() {
    // Sample s is drawn at y = 2000 - s: zero on row 200, inside the box.
    const struct {
        qint16 sample;
        int row;
    } levels[] = {{0, 200}, {500, 150}, {1000, 100}, {2000, 0}};
    for (const auto& level : levels) {
        ScopeFrame frame;
        frame.scopeab.fill(level.sample);
        frame.scopea.fill(level.sample);
        frame.scopeb.fill(level.sample);
        const struct {
            bool* show;
            QRgb color;
        } traces[] = {{&frame.showab, kGreen}, {&frame.showA, kYellow}, {&frame.showb, kCyan}};
        for (const auto& trace : traces) {
            frame.showab = frame.showA = frame.showb = false;
            *trace.show = true;
            ScopeView view;
            view.setFrame(frame);
            const QImage image = render(view);
            const QString what = QStringLiteral("sample %1").arg(level.sample);
            QCOMPARE(rowsInColumn(image, 175, trace.color), QList<int>{level.row});
            QVERIFY2(countColor(image, trace.color) > 300, qPrintable(what));
        }
    }
}

void ScopeViewTest::scaleIsEqualAndLinesStayThin() {
    // A box twice as tall as it needs to be keeps the same scale across and down: the
    // zero line sits where it would in the box of the right height.
    ScopeFrame frame;
    frame.scopea.fill(0);
    frame.showA = true;
    ScopeView view;
    view.setFrame(frame);
    const QImage image = render(view, kWidth, 2 * kHeight);
    QCOMPARE(rowsInColumn(image, 175, kYellow), QList<int>{200});
    // Ten times larger: the trace and grid are still one pixel thick.
    const QImage large = render(view, 3501, 2681);
    QCOMPARE(rowsInColumn(large, 1753, kYellow), QList<int>{2000});
    QCOMPARE(rowsInColumn(large, 13, kBlue), (QList<int>{0, 500, 1000, 1500, 2500}));
}

void ScopeViewTest::aConstantInputDrawsAFlatTrace() {
    // What a burst of 400 counts leaves: 781 where a pass wrote, 0 where none did.
    ScopeFrame frame;
    for (int p = 0; p < kScopePositions; ++p) frame.scopeab[p] = scopePositionWritten(p) ? 781 : 0;
    frame.showab = true;
    // The last measured sample that fits: positions 6, 10, 22 and 117.
    const std::pair<int, int> lastColumns[] = {{kStepTb1, 250}, {kStepTb5, 270},
                                               {kStepTb10, 315}, {kStepTb100, 348}};
    for (const auto& [step, lastColumn] : lastColumns) {
        frame.step = step;
        ScopeView view;
        view.setFrame(frame);
        const QImage image = render(view);
        // One row (2000 - 781 = 1219 lands on row 121, far from the zero line on row 200),
        // unbroken from the first measured sample to the last.
        const QList<int> rows = rowsInColumn(image, 1, kGreen);
        QCOMPARE(rows, QList<int>{121});
        const QList<int> columns = columnsInRow(image, rows.first(), kGreen);
        QCOMPARE(columns.size(), columns.last() - columns.first() + 1);
        QVERIFY2(qAbs(columns.last() - lastColumn) <= 1, qPrintable(QString::number(step)));
        QCOMPARE(countColor(image, kGreen), columns.size());
    }
}

QTEST_MAIN(ScopeViewTest)
#include "scopeview_test.moc"
