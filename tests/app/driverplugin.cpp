// Clicks menu items and buttons of the real program by name once its main window shows, as
// a user would. Qt loads it into the unchanged executable as a generic plugin:
//   QT_PLUGIN_PATH=<folder above generic/> QT_QPA_GENERIC_PLUGINS="nuvodriver:NAME;NAME;..."
// It says "driven" on the error output when it has clicked them all.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>
#include <cstdio>

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
            for (const QString& name : names) {
                if (auto* action = window->findChild<QAction*>(name))
                    action->trigger();
                else if (auto* button = window->findChild<QAbstractButton*>(name))
                    button->click();
                else
                    std::fprintf(stderr, "driver: no element %s\n", qPrintable(name));
            }
            std::fprintf(stderr, "driven\n");
        });
        poll->start();
        return poll;
    }
};

#include "driverplugin.moc"
