#include "app/disclaimerwindow.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvo {

namespace {

QString disclaimerText() {
    QFile file(QStringLiteral(":/disclaimer.txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QLabel* namedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

}  // namespace

DisclaimerWindow::DisclaimerWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("The Nuvo"));

    auto* product = namedLabel("lblProductName", QStringLiteral("The Paranoraml Nuvo"), this);
    QFont productFont = product->font();
    productFont.setPointSize(productFont.pointSize() * 2);
    productFont.setBold(true);
    product->setFont(productFont);

    auto* header = new QHBoxLayout;
    auto* names = new QVBoxLayout;
    names->addWidget(product);
    names->addWidget(namedLabel("lblCompanyProduct", QStringLiteral("Orrindale LLC."), this));
    header->addLayout(names, 1);
    auto* versions = new QVBoxLayout;
    versions->addWidget(namedLabel("lblVersion", QStringLiteral("Version 1.0"), this), 0,
                        Qt::AlignRight);
    versions->addWidget(namedLabel("lblPlatform", QStringLiteral("Platform WIN 98 MS XP"), this), 0,
                        Qt::AlignRight);
    versions->addWidget(namedLabel("lblCompany", QStringLiteral("Orrindale LLC."), this), 0,
                        Qt::AlignRight);
    header->addLayout(versions);

    auto* text = new QPlainTextEdit(disclaimerText(), this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setReadOnly(true);

    m_check2 = new QCheckBox(QStringLiteral("I have read the Disclaimer and I Agree.\n"
                                            "I am over 18.\n"
                                            "I understand that I am responsible for this "
                                            "software and its use"),
                             this);
    m_check2->setObjectName(QStringLiteral("Check2"));

    auto* agree = new QPushButton(QStringLiteral("Agree"), this);
    agree->setObjectName(QStringLiteral("Command1"));
    auto* disagree = new QPushButton(QStringLiteral("Disagree"), this);
    disagree->setObjectName(QStringLiteral("Command2"));
    connect(agree, &QPushButton::clicked, this, &DisclaimerWindow::Command1_click);
    connect(disagree, &QPushButton::clicked, this, &DisclaimerWindow::Command2_click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_check2, 1);
    buttons->addWidget(agree);
    buttons->addWidget(disagree);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(text, 1);
    layout->addLayout(buttons);
    resize(720, 560);
}

void DisclaimerWindow::Command1_click() {
    if (m_check2->isChecked()) {
        emit agreed();
        close();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("The Nuvo"),
                                QStringLiteral("You need to Check the agreement box "),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void DisclaimerWindow::Command2_click() {
    emit disagreed();
    close();
}

}  // namespace nuvo
