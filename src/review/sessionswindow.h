#pragma once

#include "ecm/voice.h"

#include <QWidget>

class QLabel;
class QStandardItemModel;
class QTableView;

namespace nuvo {

class ReviewWindow;

// The sessions of the data folder, read from its record without changing it (so it works
// while a session is measuring, and on a folder copied from elsewhere), each with the
// check of its files against its checksum file. Opening one shows its review window.
class SessionsWindow : public QWidget {
    Q_OBJECT

public:
    // `voices` speak words again in the review windows; none are silent.
    explicit SessionsWindow(const QString& dataDir, const Voices& voices = {}, QWidget* parent = nullptr);

    QString dataDir() const { return m_dataDir; }

    // Reads the list again; the file checks follow as each is done.
    void refresh();
    // Whether file checks of the last refresh are still going on.
    bool checking() const { return m_checksLeft > 0; }
    // Shows the review window of session `id`; null, with a message, when it cannot be read.
    ReviewWindow* openSession(qint64 id);

private:
    void openSelected();
    void showCheck(int generation, qint64 id, const QString& text);

    QString m_dataDir;
    Voices m_voices;
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
    QLabel* m_status = nullptr;
    int m_generation = 0;  // of the last refresh; older checks are let go
    int m_checksLeft = 0;
};

}  // namespace nuvo
