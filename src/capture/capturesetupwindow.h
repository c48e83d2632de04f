#pragma once

#include "common/elementstates.h"

#include <QHash>
#include <QWidget>

#include <functional>

namespace nuvo {

class CaptureSetup;

// The "Audio /  Video Setup" window. It mirrors the capture setup's elements and sends the
// user's actions to it (in the engine's thread); colours and files are chosen here first.
// Closing it only hides it, so its choices last while the program runs.
class CaptureSetupWindow : public QWidget {
    Q_OBJECT

public:
    explicit CaptureSetupWindow(CaptureSetup* setup, QWidget* parent = nullptr);

private slots:
    void applyUpdates(const nuvo::ElementUpdates& updates);

private:
    QWidget* buildVideoPage();
    QWidget* buildTextPage();
    QWidget* buildAudioPage();
    QWidget* buildTestControls();

    QWidget* button(const char* name, const char* caption);
    QWidget* colorButton(const char* name, const char* caption);
    QWidget* fileButton(const char* name, const char* caption, const QString& filter,
                        bool forSaving = false);
    QWidget* check(const char* name, const char* caption);
    QWidget* list(const char* name);
    QWidget* textBox(const char* name, bool number = false);
    QWidget* slider(const char* name, int maximum);
    QWidget* spinBox(const char* name, int maximum);
    template <typename W>
    W* named(W* widget, const char* name);

    void send(std::function<void(CaptureSetup*)> action);
    void apply(const QString& name, const ElementState& state);

    CaptureSetup* m_setup;
    QHash<QString, QWidget*> m_widgets;
};

}  // namespace nuvo
