// Clicks menu items and buttons of the real program by name once its main window shows, as
// a user would. Qt loads it into the unchanged executable as a generic plugin:
//   QT_PLUGIN_PATH=<folder above generic/> QT_QPA_GENERIC_PLUGINS="nuvodriver:STEP;STEP;..."
// A step is the name of an element to click, "wait=MS", or "NAME=TEXT" to type TEXT and
// Enter into the element NAME, key by key. It says "driven" on the error output when it
// has taken every step.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

void type(QWidget* target, const QString& text) {
    target->setFocus();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(target, &enter);
}

// Takes the steps from `next` on; a wait goes on from a timer.
void takeSteps(QWidget* window, QStringList steps) {
    while (!steps.isEmpty()) {
        const QString step = steps.takeFirst();
        const QString name = step.section(u'=', 0, 0);
        const QString value = step.section(u'=', 1);
        if (name == QLatin1String("wait")) {
            QTimer::singleShot(value.toInt(), window, [window, steps] { takeSteps(window, steps); });
            return;
        }
        if (step.contains(u'=')) {
            if (auto* box = window->findChild<QWidget*>(name))
                type(box, value);
            else
                std::fprintf(stderr, "driver: no element %s\n", qPrintable(name));
        } else if (auto* action = window->findChild<QAction*>(name)) {
            action->trigger();
        } else if (auto* button = window->findChild<QAbstractButton*>(name)) {
            button->click();
        } else {
            std::fprintf(stderr, "driver: no element %s\n", qPrintable(name));
        }
    }
    std::fprintf(stderr, "driven\n");
}

}  // namespace

class DriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driverplugin.json")

public:
    QObject* create(const QString&, const QString& itemList) override {
        auto* poll = new QTimer;  // Qt deletes what a generic plugin creates
        poll->setInterval(50);
        const QStringList names = itemList.split(u';', Qt::SkipEmptyParts);
        connect(poll, &QTimer::timeout, poll, [poll, names] {
            QWidget* window = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("mainform") && w->isVisible()) window = w;
            if (!window) return;
            poll->stop();
            takeSteps(window, names);
        });
        poll->start();
        return poll;
    }
};

#include "driverplugin.moc"
