#include "help/aboutdialog.h"

#include "help/help.h"
#ifdef Q_OS_WIN
#include "help/winregistry.h"
#endif

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace nuvo {

namespace {

const QString kAboutName = QStringLiteral("About");

// A message with an OK button that leaves the other windows usable.
void tell(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("The Nuvo"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);  // the blanks of the texts are kept as they are
    label->setWordWrap(true);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(const QString& programDir, QWidget* parent) : QDialog(parent) {
    setObjectName(kAboutName);
    setWindowTitle(QStringLiteral("About The Nuvo"));
    setModal(false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/nuvo.png"))
                        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* title = label(QStringLiteral("lblTitle"),
                        QStringLiteral("The Paranormal  Nuvo\nOrrindale LLC."), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* description =
        label(QStringLiteral("lblDescription"),
              QStringLiteral("Active Paranormal capture device designed to aid  in   the detection "
                             "of paranormal events.\n\n"
                             "Copyright \u00A9 2008 Orrindale LLC. All rights reserved."),
              this);
    auto* version = label(QStringLiteral("lblVersion"),
                          QStringLiteral("Version 1.115                 6/15/2008"), this);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* support = label(QStringLiteral("lblDisclaimer"),
                          QStringLiteral("Support: support@orrindale.example    "
                                         "https://orrindale.example"),
                          this);
    support->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* path =
        label(QStringLiteral("Label1"), QStringLiteral("Program path = ") + programDir, this);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    auto* sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(sysInfo, &QPushButton::clicked, this, &AboutDialog::StartSysInfo);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1);
    grid->addWidget(title, 0, 1, 1, 2);
    grid->addWidget(description, 1, 1, 1, 2);
    grid->addWidget(version, 2, 1, 1, 2);
    grid->addWidget(line, 3, 0, 1, 3);
    grid->addWidget(support, 4, 0, 1, 2);
    grid->addWidget(ok, 4, 2);
    grid->addWidget(path, 5, 0, 1, 2);
    grid->addWidget(sysInfo, 5, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(460);
    setAttribute(Qt::WA_DeleteOnClose);
}

void AboutDialog::showFor(QWidget* parent, const QString& programDir) {
    auto* about = parent->findChild<AboutDialog*>(kAboutName, Qt::FindDirectChildrenOnly);
    if (!about) about = new AboutDialog(programDir, parent);
    about->show();
    about->raise();
    about->activateWindow();
}

void AboutDialog::StartSysInfo() {
    SysInfoProbe probe;
#ifdef Q_OS_WIN
    WinRegistry registry;
    probe.registry = &registry;
#endif
    probe.isFile = [](const QString& path) { return QFileInfo(path).isFile(); };
    probe.findExecutable = [](const QString& name) { return QStandardPaths::findExecutable(name); };
    const std::optional<ProgramLaunch> tool = findSysInfo(probe);
    if (!tool || !QProcess::startDetached(tool->program, tool->arguments))
        tell(this, QString::fromLatin1(kSysInfoUnavailable));
}

void openManual(const QString& path, QWidget* parent) {
    if (!QFileInfo(path).isFile())
        tell(parent, QObject::tr("The user manual %1 is missing. Reinstall the program, or "
                                 "put the manual into the program's folder.")
                         .arg(path));
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        tell(parent, QObject::tr("The user manual %1 could not be opened: no program to show "
                                 "PDF files was found.")
                         .arg(path));
}

}  // namespace nuvo
