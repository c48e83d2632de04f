#include "scope/scopeview.h"

#include <QImage>
#include <QtTest>

using namespace nuvo;

namespace {

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kCyan = qRgb(0, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

QImage renderAt(ScopeView& view, int width, int height) {
    view.resize(width, height);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::magenta);  // anything left unpainted shows
    view.render(&image);
    return image;
}

bool isColor(const QImage& image, int x, int y, QRgb color) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
}

// Some pixel of `color` within `radius` of (x, y): line ends may fall either side of a
// pixel edge after scaling.
bool colorNear(const QImage& image, int x, int y, QRgb color, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (isColor(image, x + dx, y + dy, color)) return true;
    return false;
}

int countColor(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += isColor(image, x, y, color);
    return n;
}

// Rows of `color` in column x.
QList<int> rowsInColumn(const QImage& image, int x, QRgb color) {
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (isColor(image, x, y, color)) rows.append(y);
    return rows;
}

// Sample positions the scope stage writes: 1, 2, 5, 6, ..., 117, 118.
bool isWrittenPosition(int position) {
    return position >= 1 && position <= 118 && (position % 4 == 1 || position % 4 == 2);
}

// Logical x of sample position k at a step: the trace walks x = 1, 1 + step, ...
int sampleX(int k, int step) { return 1 + (k - 1) * step; }

}  // namespace

class ScopeViewTest : public QObject {
    Q_OBJECT

private slots:
    void isTheBlackOscopeBoxWithAGrid();
    void noTraceCheckedDrawsTheGridAlone();
    void fullScaleSumTraceRunsAlongTheTop();
    void traceKeepsItsLogicalPlaceAtAnySize();
    void stepSetsHowFarTheTraceReaches();
    void eachTraceHasItsColour();
    void linesStayThinWhenScaledUp();
};

void ScopeViewTest::isTheBlackOscopeBoxWithAGrid() {
    ScopeView view;
    QCOMPARE(view.objectName(), QStringLiteral("oscope"));
    const QImage image = renderAt(view, 350, 200);
    QCOMPARE(countColor(image, qRgb(255, 0, 255)), 0);
    QVERIFY(isColor(image, 25, 25, kBlack));
    QVERIFY(isColor(image, 320, 175, kBlack));
    // Grid every 500 units: every 50 pixels across and down at this size.
    for (int x : {50, 100, 150, 200, 250, 300}) {
        QVERIFY2(colorNear(image, x, 25, kBlue), qPrintable(QString::number(x)));
        QVERIFY(colorNear(image, x, 175, kBlue));
        QVERIFY(!colorNear(image, x + 25, 25, kBlue, 3));
    }
    for (int y : {50, 100, 150}) {
        QVERIFY2(colorNear(image, 25, y, kBlue), qPrintable(QString::number(y)));
        QVERIFY(colorNear(image, 325, y, kBlue));
        QVERIFY(!colorNear(image, 25, y + 25, kBlue, 3));
    }
}

void ScopeViewTest::noTraceCheckedDrawsTheGridAlone() {
    ScopeView view;
    const QImage before = renderAt(view, 350, 200);
    QVERIFY(countColor(before, kBlue) > 0);

    ScopeFrame frame;
    frame.scopeab.fill(1000);
    frame.scopea.fill(1500);
    frame.scopeb.fill(500);
    view.setFrame(frame);
    const QImage image = renderAt(view, 350, 200);
    QCOMPARE(countColor(image, kGreen), 0);
    QCOMPARE(countColor(image, kYellow), 0);
    QCOMPARE(countColor(image, kCyan), 0);
    QCOMPARE(image, before);
}

void ScopeViewTest::fullScaleSumTraceRunsAlongTheTop() {
    // A = B = 1024: 2000 at every written position, 0 at the others.
    ScopeFrame frame;
    for (int k = 0; k < kScopePositions; ++k)
        frame.scopeab[k] = isWrittenPosition(k) ? 2000 : 0;
    frame.showab = true;
    ScopeView view;
    view.setFrame(frame);
    const int width = 700, height = 400;
    const QImage image = renderAt(view, width, height);
    QCOMPARE(countColor(image, kYellow), 0);
    QCOMPARE(countColor(image, kCyan), 0);

    // The segment joining positions i and i + 1 lies on the top row, i = 1, 5, ..., 113
    // (117 is the last position reached at this step).
    for (int i = 1; i <= 113; i += 4) {
        const double middle = (sampleX(i, 30) - 1 + sampleX(i + 1, 30)) / 2.0;
        const int px = qRound(middle * width / ScopeView::kLogicalWidth);
        QVERIFY2(isColor(image, px, 0, kGreen), qPrintable(QString::number(i)));
    }
    // Between pairs the trace drops to the bottom: the middle rows are crossed, not held.
    const int between = qRound((sampleX(3, 30) + sampleX(4, 30)) / 2.0 * width / 3500);
    QVERIFY(!isColor(image, between, 0, kGreen));
    // Nothing right of the last position read (117 at x = 3481).
    for (int x = qRound(3485.0 * width / 3500) + 1; x < width; ++x)
        for (int y = 0; y < height; ++y) QVERIFY(!isColor(image, x, y, kGreen));
}

void ScopeViewTest::traceKeepsItsLogicalPlaceAtAnySize() {
    // Channel A at mid scale, one spike to full scale at position 59 (x = 1741).
    ScopeFrame frame;
    frame.scopea.fill(1000);
    frame.scopea[59] = 2000;
    frame.showA = true;
    ScopeView view;
    view.setFrame(frame);

    for (const QSize size : {QSize(350, 200), QSize(875, 300)}) {
        const QImage image = renderAt(view, size.width(), size.height());
        const int spikeX = qRound(1741.0 * size.width() / 3500);
        QVERIFY2(colorNear(image, spikeX, 0, kYellow), qPrintable(QString::number(size.width())));
        // Top row is reached only at the spike.
        for (int x = 0; x < size.width(); ++x) {
            if (qAbs(x - spikeX) <= 3) continue;
            QVERIFY2(!isColor(image, x, 0, kYellow), qPrintable(QString::number(x)));
        }
        // Elsewhere the trace holds the middle of the box.
        for (double fraction : {0.1, 0.3, 0.7, 0.9}) {
            const int x = qRound(fraction * size.width());
            QVERIFY(colorNear(image, x, size.height() / 2, kYellow));
            QVERIFY(!colorNear(image, x, size.height() / 4, kYellow, 3));
        }
    }
}

void ScopeViewTest::stepSetsHowFarTheTraceReaches() {
    ScopeFrame frame;
    frame.scopeb.fill(1000);
    frame.showb = true;
    ScopeView view;
    const int width = 700, height = 400;
    const struct {
        int step;
        int lastX;  // logical x of the last sample drawn
    } cases[] = {{500, 3001}, {300, 3301}, {150, 3451}, {30, 3481}};
    for (const auto& c : cases) {
        frame.step = c.step;
        view.setFrame(frame);
        const QImage image = renderAt(view, width, height);
        const int last = qRound(double(c.lastX) * width / 3500);
        QVERIFY2(colorNear(image, last - 2, height / 2, kCyan), qPrintable(QString::number(c.step)));
        QVERIFY2(!colorNear(image, last + 3, height / 2, kCyan),
                 qPrintable(QString::number(c.step)));
    }
}

void ScopeViewTest::eachTraceHasItsColour() {
    ScopeFrame frame;
    frame.scopeab.fill(1500);
    frame.scopea.fill(1000);
    frame.scopeb.fill(500);
    frame.showab = frame.showA = frame.showb = true;
    ScopeView view;
    view.setFrame(frame);
    const QImage image = renderAt(view, 350, 200);
    // y = 2000 - sample: 1500 near the top quarter, 500 near the bottom quarter.
    QVERIFY(colorNear(image, 175, 50, kGreen));
    QVERIFY(colorNear(image, 175, 100, kYellow));
    QVERIFY(colorNear(image, 175, 150, kCyan));
    QVERIFY(!colorNear(image, 175, 150, kGreen, 3));
    QVERIFY(!colorNear(image, 175, 50, kCyan, 3));
}

void ScopeViewTest::linesStayThinWhenScaledUp() {
    ScopeFrame frame;
    frame.scopea.fill(1000);
    frame.showA = true;
    ScopeView view;
    view.setFrame(frame);
    const QImage image = renderAt(view, 350, 4000);  // two pixels per unit down
    const QList<int> rows = rowsInColumn(image, 175 + 3, kYellow);
    QVERIFY(!rows.isEmpty());
    QVERIFY2(rows.size() == 1, qPrintable(QString::number(rows.size())));
    QVERIFY(qAbs(rows.first() - 2000) <= 1);
    // Grid lines stay one pixel too: rows 0, 1000 and 3000 (the trace covers 2000).
    QCOMPARE(rowsInColumn(image, 13, kBlue), (QList<int>{0, 1000, 3000}));
}

QTEST_MAIN(ScopeViewTest)
#include "scopeview_test.moc"
