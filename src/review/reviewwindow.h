#pragma once

#include "review/displayhistory.h"
#include "review/sessiontimeline.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace nuvo {

class CursorPanel;
class TimelineView;

// One session reviewed: its timeline, and beside it what the session showed at the
// cursor.
class ReviewWindow : public QWidget {
    Q_OBJECT

public:
    ReviewWindow(const QString& dataDir, SessionTimeline timeline, QWidget* parent = nullptr);

    // "Session 3 - 2024-05-01 22:13:05", the start in the session's local time.
    static QString title(const SessionTimeline& timeline);

    TimelineView* timeline() const { return m_view; }

private:
    void showSpan(qint64 fromMs, qint64 toMs);
    void unblind();
    // Reads the session again, keeping the time in view and the cursor.
    bool reload(QString* error);
    void showTimeline();

    QString m_dataDir;
    SessionTimeline m_timeline;
    DisplayHistory m_display;
    TimelineView* m_view = nullptr;
    CursorPanel* m_panel = nullptr;
    QLabel* m_span = nullptr;
    QPushButton* m_unblind = nullptr;
};

}  // namespace nuvo
