#include "review/reviewwindow.h"

#include "review/cursorpanel.h"
#include "review/reviewtexts.h"
#include "review/sessionreader.h"
#include "review/timelineview.h"
#include "session/blindcontrols.h"
#include "session/sessiondatabase.h"

#include <QMessageBox>
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

ReviewWindow::ReviewWindow(const QString& dataDir, SessionTimeline timeline, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dataDir(dataDir), m_timeline(std::move(timeline)),
      m_display(m_timeline) {
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

    connect(m_view, &TimelineView::cursorMoved, m_panel, &CursorPanel::showAt);
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

void ReviewWindow::showSpan(qint64 fromMs, qint64 toMs) {
    const int offset = m_timeline.utcOffsetSeconds;
    m_span->setText(tr("%1 to %2 (%3)")
                        .arg(sessionTimeText(fromMs, offset, QStringLiteral("HH:mm:ss")),
                             sessionTimeText(toMs, offset, QStringLiteral("HH:mm:ss")),
                             durationText(toMs - fromMs)));
}

}  // namespace nuvo
