#include "review/reviewwindow.h"

#include "review/cursorpanel.h"
#include "review/reviewtexts.h"
#include "review/timelineview.h"

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
    m_view->setTimeline(&m_timeline);
    m_view->setFocus();
    resize(1250, 850);
}

void ReviewWindow::showSpan(qint64 fromMs, qint64 toMs) {
    const int offset = m_timeline.utcOffsetSeconds;
    m_span->setText(tr("%1 to %2 (%3)")
                        .arg(sessionTimeText(fromMs, offset, QStringLiteral("HH:mm:ss")),
                             sessionTimeText(toMs, offset, QStringLiteral("HH:mm:ss")),
                             durationText(toMs - fromMs)));
}

}  // namespace nuvo
