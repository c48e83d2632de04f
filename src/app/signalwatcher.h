#pragma once

#include <QObject>
#include <QTimer>

namespace nuvo {

// Turns SIGINT and SIGTERM into a Qt signal in the GUI thread, so that they run the same
// shut-down sequence as File > Exit. The handler only sets a flag, which is all that is
// safe inside a signal handler; a short timer picks it up.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit SignalWatcher(QObject* parent = nullptr);

signals:
    void terminationRequested();

private:
    QTimer m_poll;
};

}  // namespace nuvo
