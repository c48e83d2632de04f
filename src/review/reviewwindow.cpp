#include "review/reviewwindow.h"

#include "review/cursorpanel.h"
#include "review/reviewtexts.h"
#include "review/sessionreader.h"
#include "review/spanexport.h"
#include "review/timelineview.h"
#include "capture/videoview.h"
#include "session/blindcontrols.h"
#include "session/sessiondatabase.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace nuvo {

QString ReviewWindow::title(const SessionTimeline& timeline) {
    return QStringLiteral("Session %1 - %2")
        .arg(timeline.id)
        .arg(sessionTimeText(timeline.startMs, timeline.utcOffsetSeconds, QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

ReviewWindow::ReviewWindow(const QString& dataDir, SessionTimeline timeline, const Voices& voices,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), m_dataDir(dataDir), m_timeline(std::move(timeline)),
      m_display(m_timeline), m_voices(voices) {
    setObjectName(QStringLiteral("review"));
    setWindowTitle(title(m_timeline));
    setAttribute(Qt::WA_DeleteOnClose);

    m_view = new TimelineView(this);
    m_panel = new CursorPanel(this);
    m_panel->setTimeline(&m_timeline, &m_display);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& caption, const char* name, const QString& tip, auto slot) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(tr("Fit"), "fit", QString(), [this] { m_view->fit(); });
    m_play = button(tr("Play"), "play", tr("Play the video or sound recorded at the cursor from there"),
                    &ReviewWindow::togglePlay);
    button(tr("Export Span..."), "exportspan", tr("The readings in view as CSV, and the timeline as shown as PNG"),
           &ReviewWindow::askExportSpan);
    m_speak = button(tr("Speak Word"), "speakword", tr("Say the word at the cursor again with voice 1"),
                     &ReviewWindow::speakWord);
    m_unblind = button(tr("Unblind Session"), "unblind",
                       tr("Show which blind questions the program's random source answered"),
                       &ReviewWindow::unblind);
    m_span = new QLabel(this);
    m_span->setObjectName(QStringLiteral("span"));
    buttons->addWidget(m_span, 1);
    m_replayStatus = new QLabel(this);
    m_replayStatus->setObjectName(QStringLiteral("replaystatus"));
    buttons->addWidget(m_replayStatus);

    // The replayed video over the panel, where the session has a video to replay.
    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    m_video = new VideoView(side);
    m_video->setObjectName(QStringLiteral("replayvideo"));
    m_video->setFixedSize(m_video->sizeHint());
    sideLayout->addWidget(m_video, 0, Qt::AlignHCenter);
    // The panel scrolls where the screen is too low for all of it.
    auto* panelScroll = new QScrollArea(side);
    panelScroll->setWidget(m_panel);
    panelScroll->setWidgetResizable(true);
    panelScroll->setFrameShape(QFrame::NoFrame);
    panelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panelScroll->setMinimumWidth(m_panel->minimumSizeHint().width() + 20);
    sideLayout->addWidget(panelScroll, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_view);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    connect(m_view, &TimelineView::cursorMoved, this, &ReviewWindow::cursorMoved);
    // A click elsewhere ends the replay; the cursor stays where the user put it.
    connect(m_view, &TimelineView::cursorClicked, this, [this] { stopPlaying({}); });
    connect(&m_replay, &GstReplay::frame, this, [this](const QImage& picture, qint64 atMs) {
        m_video->setFrame(picture);
        followReplay(atMs);
    });
    connect(&m_replay, &GstReplay::ended, this, &ReviewWindow::stopPlaying);
    m_followSound.setInterval(40);
    connect(&m_followSound, &QTimer::timeout, this, [this] {
        if (const auto at = m_replay.position()) followReplay(*at);
    });
    connect(m_view, &TimelineView::spanChanged, this, &ReviewWindow::showSpan);
    showTimeline();
    m_video->setVisible(std::any_of(m_timeline.captures.begin(), m_timeline.captures.end(),
                                    [](const CaptureRow& c) { return c.kind == QLatin1String("video"); }));
    m_view->setFocus();
    const QSize room = screen()->availableGeometry().size();
    resize(std::min(1250, room.width()), std::min(850, room.height() - 40));
}

const CaptureRow* ReviewWindow::captureAtCursor() const {
    const qint64 at = m_view->cursorMs();
    const CaptureRow* video = m_timeline.captureAt(at, QStringLiteral("video"));
    return video ? video : m_timeline.captureAt(at, QStringLiteral("audio"));
}

void ReviewWindow::togglePlay() {
    if (m_playing) {
        stopPlaying({});
        return;
    }
    const CaptureRow* capture = captureAtCursor();
    if (!capture) return;
    QString error;
    if (!m_replay.play(QDir(m_dataDir).filePath(capture->file), m_view->cursorMs() - capture->startMs, &error)) {
        m_replayStatus->setText(tr("%1 cannot be played: %2").arg(capture->file, error));
        return;
    }
    m_playing = *capture;
    m_play->setText(tr("Stop"));
    m_replayStatus->setText(tr("Playing %1").arg(capture->file));
    if (capture->kind != QLatin1String("video")) m_followSound.start();
}

void ReviewWindow::followReplay(qint64 atMs) {
    if (m_playing) m_view->putCursor(m_playing->startMs + atMs);
}

void ReviewWindow::stopPlaying(const QString& why) {
    m_followSound.stop();
    m_replay.stop();
    if (!m_playing) return;
    m_replayStatus->setText(why.isEmpty() ? QString() : tr("%1 stopped: %2").arg(m_playing->file, why));
    m_playing.reset();
    m_play->setText(tr("Play"));
    m_play->setEnabled(captureAtCursor());
}

void ReviewWindow::showTimeline() {
    m_view->setTimeline(&m_timeline);
    m_unblind->setEnabled(std::any_of(m_timeline.controls.begin(), m_timeline.controls.end(),
                                      [](const TimelineControl& c) { return !c.control; }));
}

bool ReviewWindow::reload(QString* error) {
    std::optional<SessionTimeline> timeline;
    {
        const SessionDatabase db(m_dataDir);
        *error = db.error();
        if (error->isEmpty()) timeline = readSessionTimeline(db, m_timeline.id, error);
    }
    if (!timeline) return false;
    const qint64 from = m_view->visibleFromMs(), to = m_view->visibleToMs();
    const qint64 cursor = m_view->cursorMs();
    const bool put = m_view->cursorPut();
    m_timeline = std::move(*timeline);
    m_display = DisplayHistory(m_timeline);
    showTimeline();
    m_view->setVisibleSpan(from, to);
    if (put) m_view->putCursor(cursor);
    m_panel->showAt(cursor);
    return true;
}

// Opening the seals is for good: the record keeps when it was done.
void ReviewWindow::unblind() {
    const auto answer = QMessageBox::question(
        this, windowTitle(),
        tr("Unblinding shows, from now on and for everyone who reads this record, which blind questions "
           "of session %1 the program's random source answered. Unblind the session?")
            .arg(m_timeline.id));
    if (answer != QMessageBox::Yes) return;
    QString error;
    if (unblindSession(m_dataDir, m_timeline.id, &error) < 0 || !reload(&error))
        QMessageBox::warning(this, windowTitle(), tr("The session could not be unblinded: %1").arg(error));
}

void ReviewWindow::cursorMoved(qint64 ms) {
    m_panel->showAt(ms);
    m_speak->setEnabled(m_voices[0] && m_timeline.wordAt(ms));
    m_play->setEnabled(m_playing || captureAtCursor());
}

void ReviewWindow::speakWord() {
    if (const TimelineWord* w = m_timeline.wordAt(m_view->cursorMs()); w && m_voices[0])
        m_voices[0]->say(w->word.entry);
}

void ReviewWindow::askExportSpan() {
    const QString stamp = sessionTimeText(m_view->visibleFromMs(), m_timeline.utcOffsetSeconds,
                                          QStringLiteral("yyyyMMdd_HHmmss"));
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Span"), QDir(m_dataDir).filePath(QStringLiteral("Session_%1_%2.csv").arg(m_timeline.id).arg(stamp)),
        tr("CSV files (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (!exportSpan(path, &error)) QMessageBox::warning(this, windowTitle(), error);
}

bool ReviewWindow::exportSpan(const QString& csvPath, QString* error) const {
    const QString pngPath = QFileInfo(csvPath).path() + u'/' + QFileInfo(csvPath).completeBaseName() +
                            QStringLiteral(".png");
    QSaveFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly) ||
        csv.write(spanCsv(m_timeline, m_view->visibleFromMs(), m_view->visibleToMs())) < 0 || !csv.commit()) {
        *error = tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(csvPath), csv.errorString());
        return false;
    }
    if (!m_view->grab().save(pngPath, "PNG")) {
        *error = tr("%1 cannot be written").arg(QDir::toNativeSeparators(pngPath));
        return false;
    }
    return true;
}

void ReviewWindow::showSpan(qint64 fromMs, qint64 toMs) {
    const int offset = m_timeline.utcOffsetSeconds;
    m_span->setText(tr("%1 to %2 (%3)")
                        .arg(sessionTimeText(fromMs, offset, QStringLiteral("HH:mm:ss")),
                             sessionTimeText(toMs, offset, QStringLiteral("HH:mm:ss")),
                             durationText(toMs - fromMs)));
}

}  // namespace nuvo
