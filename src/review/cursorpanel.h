#pragma once

#include <QWidget>

#include <QHash>

class QFormLayout;
class QLabel;
class QPlainTextEdit;

namespace nuvo {

class DisplayHistory;
struct SessionTimeline;

// What the session showed at the timeline's cursor: the read-outs of the tick then, the
// values of each plot, the word and the question, and the main display's text as it stood.
class CursorPanel : public QWidget {
    Q_OBJECT

public:
    explicit CursorPanel(QWidget* parent = nullptr);

    // Both must outlive the panel.
    void setTimeline(const SessionTimeline* timeline, const DisplayHistory* display);

public slots:
    void showAt(qint64 ms);

private:
    void addRow(QFormLayout* form, const QString& caption, const QString& name);

    const SessionTimeline* m_timeline = nullptr;
    const DisplayHistory* m_display = nullptr;
    QHash<QString, QLabel*> m_values;
    QPlainTextEdit* m_text = nullptr;
};

}  // namespace nuvo
