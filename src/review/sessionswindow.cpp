#include "review/sessionswindow.h"

#include "review/manifestcheck.h"
#include "review/reviewtexts.h"
#include "review/reviewwindow.h"
#include "review/sessionreader.h"
#include "session/sessiondatabase.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QThreadPool>
#include <QVBoxLayout>

namespace nuvo {

namespace {

enum Column { Number, Start, Length, Unit, Questions, Words, Alarms, Captures, ControlRuns, Files, ColumnCount };

QStandardItem* cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    item->setTextAlignment(alignment);
    return item;
}

QStandardItem* count(qint64 n) { return cell(QString::number(n), Qt::AlignRight | Qt::AlignVCenter); }

}  // namespace

SessionsWindow::SessionsWindow(const QString& dataDir, const Voices& voices, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dataDir(dataDir), m_voices(voices) {
    setObjectName(QStringLiteral("sessions"));
    setWindowTitle(tr("Sessions"));
    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels({tr("N"), tr("Start"), tr("Length"), tr("Unit"), tr("Questions"),
                                        tr("Words"), tr("Alarms"), tr("Captures"), tr("Control runs"),
                                        tr("Files")});
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("sessionlist"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableView::doubleClicked, this, &SessionsWindow::openSelected);

    auto* open = new QPushButton(tr("Open"), this);
    open->setObjectName(QStringLiteral("open"));
    connect(open, &QPushButton::clicked, this, &SessionsWindow::openSelected);
    auto* again = new QPushButton(tr("Refresh"), this);
    again->setObjectName(QStringLiteral("refresh"));
    connect(again, &QPushButton::clicked, this, &SessionsWindow::refresh);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(again);
    buttons->addWidget(open);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(1000, 400);
    refresh();
}

void SessionsWindow::refresh() {
    const int generation = ++m_generation;
    m_model->removeRows(0, m_model->rowCount());
    std::vector<SessionSummary> sessions;
    {
        const SessionDatabase db(m_dataDir);
        if (!db.error().isEmpty()) {
            m_status->setText(db.error());
            m_checksLeft = 0;
            return;
        }
        sessions = readSessionSummaries(db);
    }
    m_status->setText(tr("%n session(s) in %1", nullptr, int(sessions.size()))
                          .arg(QDir::toNativeSeparators(m_dataDir)));
    m_checksLeft = int(sessions.size());
    for (const SessionSummary& s : sessions) {
        const int offset = s.utcOffsetSeconds;
        QString length = s.endMs ? durationText(*s.endMs - s.startMs) : tr("not closed");
        QList<QStandardItem*> row{count(s.id),
                                  cell(sessionTimeText(s.startMs, offset, QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                                  cell(length, Qt::AlignRight | Qt::AlignVCenter),
                                  cell(s.unit),
                                  count(s.questions),
                                  count(s.words),
                                  count(s.alarms),
                                  count(s.captures),
                                  cell(s.sealed ? tr("%1, %2 sealed").arg(s.controlRuns).arg(s.sealed)
                                                : QString::number(s.controlRuns),
                                       Qt::AlignRight | Qt::AlignVCenter),
                                  cell(tr("checking..."))};
        row[Number]->setData(s.id, Qt::UserRole);
        m_model->appendRow(row);
        // Reading every file of a night takes a while: the list is there meanwhile.
        QPointer<SessionsWindow> window(this);
        QThreadPool::globalInstance()->start([window, generation, s, dir = m_dataDir] {
            const QString text = s.endMs ? checkManifest(dir, s.startMs, s.utcOffsetSeconds, s.files).text()
                                         : tr("not closed: no checksum file yet");
            QMetaObject::invokeMethod(qApp, [window, generation, id = s.id, text] {
                if (window) window->showCheck(generation, id, text);
            });
        });
    }
    m_table->resizeColumnsToContents();
}

void SessionsWindow::showCheck(int generation, qint64 id, const QString& text) {
    if (generation != m_generation) return;
    for (int r = 0; r < m_model->rowCount(); ++r)
        if (m_model->item(r, Number)->data(Qt::UserRole).toLongLong() == id) m_model->item(r, Files)->setText(text);
    --m_checksLeft;
}

void SessionsWindow::openSelected() {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    openSession(m_model->item(rows.first().row(), Number)->data(Qt::UserRole).toLongLong());
}

ReviewWindow* SessionsWindow::openSession(qint64 id) {
    QString error;
    std::optional<SessionTimeline> timeline;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const SessionDatabase db(m_dataDir);
        error = db.error();
        if (error.isEmpty()) timeline = readSessionTimeline(db, id, &error);
        QApplication::restoreOverrideCursor();
    }
    if (!timeline) {
        QMessageBox::warning(this, windowTitle(), tr("Session %1 cannot be shown: %2").arg(id).arg(error));
        return nullptr;
    }
    auto* window = new ReviewWindow(m_dataDir, std::move(*timeline), m_voices);
    window->show();
    return window;
}

}  // namespace nuvo
