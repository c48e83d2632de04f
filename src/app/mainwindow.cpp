#include "app/mainwindow.h"

#include "app/engine.h"
#include "app/menus.h"
#include "app/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

namespace nuvo {

namespace {

// Client area of the window in the word-mode layout, and the banner that covers it.
constexpr int kWindowWidthTwips = 11985;
constexpr int kWindowHeightTwips = 9720;
constexpr int kBannerWidthTwips = 12135;
constexpr int kBannerHeightTwips = 8775;

}  // namespace

MainWindow::MainWindow(Engine* engine, std::function<QString()> shutdown, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_shutdown(std::move(shutdown)) {
    setObjectName(QStringLiteral("mainform"));
    buildMenus();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("workarea"));
    central->setMinimumSize(twipsSize(kWindowWidthTwips, kWindowHeightTwips, *this));
    setCentralWidget(central);
    buildCompanionPanel(central);
    buildBanner(central)->raise();
    statusBar();

    // Mirror the engine's state as it stands, then follow its changes.
    for (const ElementUpdate& update : engine->elements().all()) {
        m_mirror.add(update.name, update.state);
        apply(update.name, update.state);
    }
    connect(engine, &Engine::elementsChanged, this, &MainWindow::applyUpdates);
    connect(engine, &Engine::problem, this, &MainWindow::showProblem);
}

template <typename Slot>
void MainWindow::toEngine(Slot slot) {
    // Queued when the engine runs in its own thread, direct when it shares ours (tests).
    QMetaObject::invokeMethod(m_engine, slot, Qt::AutoConnection);
}

void MainWindow::buildMenus() {
    QHash<QString, QMenu*> menus;
    for (const MenuEntry& entry : mainMenuEntries()) {
        const QString name = QString::fromLatin1(entry.name);
        const QString caption = QString::fromUtf8(entry.caption);
        QMenu* parentMenu = entry.parent ? menus.value(QString::fromLatin1(entry.parent)) : nullptr;
        QAction* action = nullptr;
        if (entry.opensMenu) {
            QMenu* menu = parentMenu ? parentMenu->addMenu(caption) : menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus.insert(name, menu);
            action = menu->menuAction();
        } else {
            action = parentMenu->addAction(caption);
            action->setCheckable(entry.checkable);
            connect(action, &QAction::triggered, this, [this, name] { menuTriggered(name); });
        }
        action->setObjectName(name);
        m_actions.insert(name, action);
    }
}

QWidget* MainWindow::buildBanner(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("Frame7"));
    frame->setGeometry(twipsRect(0, 0, kBannerWidthTwips, kBannerHeightTwips, *this));
    frame->setAutoFillBackground(true);
    frame->setStyleSheet(QStringLiteral("QFrame#Frame7 { background: #101010; }"));
    auto* label = new QLabel(QStringLiteral("NUVO NOT PRESENT!"), frame);
    label->setObjectName(QStringLiteral("Label3"));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral(
        "QLabel { color: #ff3030; font-family: Arial; font-size: 36pt; font-weight: bold; }"));
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(label);
    m_widgets.insert(frame->objectName(), frame);
    return frame;
}

QWidget* MainWindow::buildCompanionPanel(QWidget* parent) {
    auto* frame = new QGroupBox(QStringLiteral("Lumivar"), parent);
    frame->setObjectName(QStringLiteral("Frame10"));
    auto* slider = new QSlider(Qt::Horizontal, frame);
    slider->setObjectName(QStringLiteral("Slider1"));
    slider->setRange(0, 250);
    auto* close = new QPushButton(QStringLiteral("Close"), frame);
    close->setObjectName(QStringLiteral("Command1"));
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(slider);
    layout->addWidget(close, 0, Qt::AlignRight);
    frame->setGeometry(twipsRect(240, 240, 4000, 1300, *this));
    connect(slider, &QSlider::valueChanged, this,
            [this](int level) { toEngine([e = m_engine, level] { e->Slider1_change(level); }); });
    connect(close, &QPushButton::clicked, this,
            [this] { toEngine([e = m_engine] { e->Command1_click(); }); });
    m_widgets.insert(frame->objectName(), frame);
    return frame;
}

void MainWindow::menuTriggered(const QString& name) {
    // Qt flips a check mark on its own; the engine decides what the mark really is.
    if (QAction* action = m_actions.value(name); action && action->isCheckable())
        action->setChecked(m_mirror.checked(name));
    if (name == QLatin1String("exout")) {
        close();
        return;
    }
    toEngine([e = m_engine, name] { e->menu_click(name); });
}

void MainWindow::applyUpdates(const ElementUpdates& updates) {
    for (const ElementUpdate& update : updates) {
        if (!m_mirror.contains(update.name)) m_mirror.add(update.name, update.state);
        m_mirror.setChecked(update.name, update.state.checked);
        m_mirror.setEnabled(update.name, update.state.enabled);
        m_mirror.setVisible(update.name, update.state.visible);
        m_mirror.setText(update.name, update.state.text);
        m_mirror.setColor(update.name, update.state.color);
        apply(update.name, update.state);
    }
    m_mirror.takeChanges();
}

void MainWindow::apply(const QString& name, const ElementState& state) {
    if (name == QLatin1String("mainform")) {
        setWindowTitle(state.text);
        return;
    }
    if (QAction* action = m_actions.value(name)) {
        action->setChecked(state.checked);
        action->setEnabled(state.enabled);
        action->setVisible(state.visible);
        return;
    }
    if (QWidget* widget = m_widgets.value(name)) {
        widget->setEnabled(state.enabled);
        widget->setVisible(state.visible);
    }
}

void MainWindow::showProblem(const QString& text) { statusBar()->showMessage(text); }

void MainWindow::closeWithoutAsking() {
    m_interactiveClose = false;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        m_shutDown = true;
        const QString error = m_shutdown();
        if (!error.isEmpty()) {
            qWarning("%s", qPrintable(error));
            if (m_interactiveClose)
                QMessageBox::warning(this, QStringLiteral("The Nuvo"),
                                     tr("The settings could not be saved.\n\n%1").arg(error));
        }
    }
    event->accept();
}

}  // namespace nuvo
