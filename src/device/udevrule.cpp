#include "device/udevrule.h"

#include <QDir>
#include <QFileInfo>

namespace nuvo {

QString permissionDeniedText(const QString& programDir) {
    const QString manual =
        QStringLiteral("see \"Troubleshooting\" in the manual (Help > \"Using this Device\")");
    const QFileInfo installed(
        QDir(programDir).filePath(QStringLiteral("../udev/rules.d/70-nuvo.rules")));
    if (installed.exists())
        return QStringLiteral("permission denied. The udev rule %1 gives access to the unit: "
                              "unplug it and plug it in again; %2")
            .arg(QDir::cleanPath(installed.absoluteFilePath()), manual);
    return QStringLiteral("permission denied. Copy the udev rule 70-nuvo.rules (data/udev/ in "
                          "the source) to /etc/udev/rules.d/, then unplug the unit and plug it "
                          "in again; %1")
        .arg(manual);
}

}  // namespace nuvo
