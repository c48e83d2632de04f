#pragma once

#include <QWidget>

class QCheckBox;

namespace nuvo {

// The start window with the terms of use. It either passes straight on (the start counter
// says the user agreed recently) or waits for "Agree" with the box checked.
class DisclaimerWindow : public QWidget {
    Q_OBJECT

public:
    explicit DisclaimerWindow(QWidget* parent = nullptr);

signals:
    void agreed();
    void disagreed();

private slots:
    void Command1_click();  // Agree
    void Command2_click();  // Disagree

private:
    QCheckBox* m_check2 = nullptr;
};

}  // namespace nuvo
