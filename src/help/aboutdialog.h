#pragma once

#include <QDialog>

namespace nuvo {

// The about box "About The Nuvo": product, description, version, support contact and the
// program's folder. It does not block the main window; "System Info..." starts the
// system's information tool.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(const QString& programDir, QWidget* parent = nullptr);

    // Shows the about box of `parent`, creating it on first use; OK closes and unloads it.
    static void showFor(QWidget* parent, const QString& programDir);

private:
    void StartSysInfo();
};

// Opens the user manual with the desktop's viewer, or tells the user why it cannot.
void openManual(const QString& path, QWidget* parent);

}  // namespace nuvo
