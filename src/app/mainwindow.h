#pragma once

#include "common/elementstates.h"
#include "app/engine.h"
#include "app/windowscale.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace nuvo {

class Engine;
class SessionsWindow;

// The instrument window. It shows what the engine publishes and sends every user action
// to the engine; it changes no program state itself.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `shutdown` runs the engine's shut-down sequence and returns its error text.
    MainWindow(Engine* engine, std::function<QString()> shutdown, QWidget* parent = nullptr);

    // Closes the window the way a terminating signal asks: no question, no message box.
    void closeWithoutAsking();

    // The size of the whole window with its fonts, 100 % to 250 % ("View" > "Larger",
    // "Smaller", "Normal Size").
    int scalePercent() const { return m_scale.percent(); }
    void setScalePercent(int percent);

public slots:
    // Shows a message that needs no answer in the status line.
    void showStatusMessage(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void applyUpdates(const nuvo::ElementUpdates& updates);
    void applyLayout(nuvo::WindowLayout layout);

private:
    void buildMenus();
    void buildInstrument(QWidget* area);
    void buildWordModeArea(QWidget* area);
    void buildPhonemePanel(QWidget* area);
    QWidget* buildBanner(QWidget* parent);
    QWidget* buildCompanionPanel(QWidget* parent);
    void buildMarkers();
    void menuTriggered(const QString& name);
    void sendOnEnter(QPlainTextEdit* box, void (Engine::*handler)(const QString&));
    void apply(const QString& name, const ElementState& state, bool textChanged,
               const QString& oldText);
    void showColor(QWidget* widget, quint32 rgb);
    void restyle();
    void fitScreenText();

    template <typename Slot>
    void toEngine(Slot slot);
    template <typename W>
    W* add(W* widget, const QString& name, QRect twipsGeometry);

    Engine* m_engine;
    std::function<QString()> m_shutdown;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QWidget*> m_widgets;
    QWidget* m_area = nullptr;
    QLabel* m_columnLabel = nullptr;
    QLabel* m_banner = nullptr;
    // Widgets whose style sheet sets a font size, scaled with the window.
    struct FixedFont {
        QWidget* widget;
        QString style;  // "%1" is the size in points
        qreal points;
    };
    QList<FixedFont> m_fixedFonts;
    WindowScale m_scale;
    QFont m_designFont;
    WindowLayout m_layout = WindowLayout::WordMode;
    ElementStates m_mirror;
    QLabel* m_runMark = nullptr;
    QPointer<SessionsWindow> m_sessions;
    bool m_shutDown = false;
    bool m_interactiveClose = true;
};

}  // namespace nuvo
