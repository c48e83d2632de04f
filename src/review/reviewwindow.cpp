#include "review/reviewwindow.h"

#include "review/cursorpanel.h"
#include "review/reviewtexts.h"
#include "review/sessionreader.h"
#include "review/spanexport.h"
#include "review/timelineview.h"
#include "session/blindcontrols.h"
#include "session/sessiondatabase.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
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
    auto* fit = new QPushButton(tr("Fit"), this);
    fit->setObjectName(QStringLiteral("fit"));
    connect(fit, &QPushButton::clicked, m_view, &TimelineView::fit);
    buttons->addWidget(fit);
    auto* exportSpan = new QPushButton(tr("Export Span..."), this);
    exportSpan->setObjectName(QStringLiteral("exportspan"));
    exportSpan->setToolTip(tr("The readings in view as CSV, and the timeline as shown as PNG"));
    connect(exportSpan, &QPushButton::clicked, this, &ReviewWindow::askExportSpan);
    buttons->addWidget(exportSpan);
    m_speak = new QPushButton(tr("Speak Word"), this);
    m_speak->setObjectName(QStringLiteral("speakword"));
    m_speak->setToolTip(tr("Say the word at the cursor again with voice 1"));
    connect(m_speak, &QPushButton::clicked, this, &ReviewWindow::speakWord);
    buttons->addWidget(m_speak);
    m_unblind = new QPushButton(tr("Unblind Session"), this);
    m_unblind->setObjectName(QStringLiteral("unblind"));
    m_unblind->setToolTip(tr("Show which blind questions the program's random source answered"));
    connect(m_unblind, &QPushButton::clicked, this, &ReviewWindow::unblind);
    buttons->addWidget(m_unblind);
    m_span = new QLabel(this);
    m_span->setObjectName(QStringLiteral("span"));
    buttons->addWidget(m_span, 1);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_view);
    splitter->addWidget(m_panel);
    splitter->setStretchFactor(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    connect(m_view, &TimelineView::cursorMoved, this, &ReviewWindow::cursorMoved);
    connect(m_view, &TimelineView::spanChanged, this, &ReviewWindow::showSpan);
    showTimeline();
    m_view->setFocus();
    resize(1250, 850);
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
