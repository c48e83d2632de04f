// The review window on a generated ten-hour session at the full tick rate (about 550,000
// ticks, with words, questions, alarms, pictures and markers): how long it takes to open
// (reading the record, building the plots, the first picture) and to draw again while
// zooming and panning. Prints one line per step and, as its last two lines, the open time
// and the slowest redraw.
//
// Usage: timeline_bench [DIR]  keeps the generated record in DIR (and reuses it there).
#include "review/reviewwindow.h"
#include "review/sessionreader.h"
#include "review/timelineview.h"
#include "session/sessiondatabase.h"
#include "session/sqlitesessionstore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

using namespace nuvo;

namespace {

constexpr qint64 kHours = 10;
constexpr double kTickMs = 65.45;  // the program's full rate with the unit's 1 ms transfers
constexpr qint64 kStartMs = 1'767'225'600'000;  // 2026-01-01 00:00 UTC

// Readings that drift with bursts, words where the value leaves its band, a question every
// five minutes, alarm bursts, a full display saved every twenty lines, a few markers.
void generate(const QString& dataDir) {
    SqliteSessionStore store(dataDir, [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    store.begin({kStartMs, 3600, QStringLiteral("bench"), {QStringLiteral("simulated"), {}, {}, {}, 1}, {}, dataDir});
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 3);
    const qint64 ticks = qint64(kHours * 3600 * 1000 / kTickMs);
    std::vector<SessionRow> rows;
    double drift = 300;
    int level = 600, lines = 0;
    qint64 words = 0, questions = 0;
    for (qint64 n = 1; n <= ticks; ++n) {
        const qint64 t = kStartMs + qint64(n * kTickMs);
        drift += noise(random) * 0.2 + (n % 20000 < 300 ? 1.5 : 0) - (n % 20000 >= 300 && n % 20000 < 600 ? 1.5 : 0);
        drift = std::clamp(drift, 50.0, 900.0);
        TickRow tick;
        tick.tickNo = n;
        tick.timeMs = t;
        tick.settings = {QStringLiteral("voltage"), 0, 5, false};
        tick.unitAnswered = tick.completed = n % 50000 != 0;  // now and then no answer
        tick.chA = std::round(drift + noise(random));
        tick.chB = std::round(drift * 0.8 + noise(random));
        tick.fA = 60 + int(noise(random));
        tick.fB = 14000 + int(40 * std::sin(n / 500.0));
        tick.modeValue = int(tick.chA + tick.chB);
        const bool change = std::abs(*tick.modeValue - level) > 5;
        level = (level + *tick.modeValue) / 2;
        tick.level = level;
        tick.trend = change ? 2 : 0;
        tick.temperature = 72 + int(std::sin(n / 40000.0) * 3);
        tick.emf = 100 + int(drift / 10);
        tick.emfMilliGauss = tick.emf / 100.0;
        tick.naturalField = {500, 502, 498, 501};
        rows.emplace_back(tick);
        if (n % 4600 == 1) {  // a question every five minutes, ten seconds to answer
            rows.emplace_back(QuestionRow{++questions, QStringLiteral("Question %1\r\n").arg(questions), 10000, t});
            rows.emplace_back(QuestionEndRow{questions, t + 10000, false});
        }
        if (change && n % 7 == 0) {
            WordRow word{++words, n, t, questions, QStringLiteral("voltage"), *tick.modeValue, true,
                         int(words % 2048), QStringLiteral("word%1").arg(words % 300), 1, false};
            rows.emplace_back(word);
            rows.emplace_back(VoiceRow{words, t + 20, t + 400, {}});
            if (++lines >= 20) {
                rows.emplace_back(PictureRow{t + 70, QStringLiteral("%1 KVSCREEN.jpg").arg(n), true});
                lines = 0;
            }
        }
        if (n % 9000 < 5) rows.emplace_back(AlarmRow{n, t, 1, QStringLiteral("800"), QString::number(tick.chA)});
        if (n % 60000 == 0) rows.emplace_back(MarkerRow{t, n, QStringLiteral("noise"), QStringLiteral("a car")});
        if (rows.size() >= 20000) store.add(std::exchange(rows, {}));
    }
    store.add(std::move(rows));
    store.end({kStartMs + qint64(ticks * kTickMs) + 100, 3600});
}

double elapsedMs(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString dataDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    if (!QFileInfo::exists(QDir(dataDir).filePath(SqliteSessionStore::fileName()))) {
        QElapsedTimer timer;
        timer.start();
        generate(dataDir);
        std::printf("generated %lld hours in %.1f s\n", kHours, elapsedMs(timer) / 1000);
    }

    QElapsedTimer open;
    open.start();
    std::optional<SessionTimeline> timeline;
    {
        const SessionDatabase db(dataDir);
        QString error;
        timeline = readSessionTimeline(db, 1, &error);
        if (!timeline) {
            std::fprintf(stderr, "timeline_bench: %s\n", qPrintable(error));
            return 1;
        }
    }
    const double readMs = elapsedMs(open);
    std::printf("read %zu ticks, %zu words, %zu questions: %.0f ms\n", timeline->ticks.size(),
                timeline->words.size(), timeline->questions.size(), readMs);
    ReviewWindow window(dataDir, std::move(*timeline));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    const double builtMs = elapsedMs(open);
    std::printf("plots built: %.0f ms\n", builtMs - readMs);
    window.resize(1280, 900);
    window.show();
    TimelineView* view = window.timeline();
    view->replot(QCustomPlot::rpImmediateRefresh);
    QApplication::processEvents();
    const double openMs = elapsedMs(open);
    std::printf("first picture: %.0f ms\n", openMs - builtMs);

    // Zooming in from the whole night to a minute around its middle and out again, then
    // panning at each of three widths: each step one redraw, as the wheel and a drag cause.
    const qint64 from = view->visibleFromMs(), to = view->visibleToMs();
    const qint64 middle = (from + to) / 2;
    struct Step {
        const char* what;
        qint64 fromMs, toMs;
    };
    std::vector<Step> steps;
    for (qint64 width = to - from; width > 60'000; width = width * 2 / 3)
        steps.push_back({"zoom in", middle - width / 2, middle + width / 2});
    for (qint64 width = 60'000; width < to - from; width = width * 3 / 2)
        steps.push_back({"zoom out", middle - width / 2, middle + width / 2});
    for (const qint64 width : {qint64(to - from), qint64(3'600'000), qint64(600'000)})
        for (int i = 0; i < 10; ++i) {
            const qint64 left = from + (to - from - width) * i / 10;
            steps.push_back({"pan", left, left + width});
        }
    std::vector<double> times;
    double slowest = 0;
    const char* slowestWhat = "";
    qint64 slowestWidth = 0;
    for (const Step& step : steps) {
        // The new span's points, then the picture, as one drag or wheel step costs.
        QElapsedTimer redraw;
        redraw.start();
        view->setVisibleSpan(step.fromMs, step.toMs);
        view->replot(QCustomPlot::rpImmediateRefresh);
        const double ms = elapsedMs(redraw);
        std::printf("%-8s %7lld s in view: %6.1f ms\n", step.what, (step.toMs - step.fromMs) / 1000, ms);
        times.push_back(ms);
        if (ms > slowest) {
            slowest = ms;
            slowestWhat = step.what;
            slowestWidth = step.toMs - step.fromMs;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("redraws: %zu, median %.1f ms\n", times.size(), times[times.size() / 2]);
    std::printf("open: %.0f ms (target < 2000)\n", openMs);
    std::printf("slowest redraw: %.1f ms, %s at %lld s in view (target < 50)\n", slowest, slowestWhat,
                slowestWidth / 1000);
    return 0;
}
