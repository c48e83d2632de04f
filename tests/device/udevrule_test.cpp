#include "device/udevrule.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace nuvo;

TEST(UdevRule, PermissionTextNamesTheInstalledRuleOrWhereItBelongs) {
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("lib/nuvo") && QDir(prefix.path()).mkpath("lib/udev/rules.d"));
    const QString programDir = prefix.filePath("lib/nuvo");
    const QString manual = "; see \"Troubleshooting\" in the manual (Help > \"Using this Device\")";
    EXPECT_EQ(permissionDeniedText(programDir),
              "permission denied. Copy the udev rule 70-nuvo.rules (data/udev/ in the source) to "
              "/etc/udev/rules.d/, then unplug the unit and plug it in again" + manual);

    const QString rule = prefix.filePath("lib/udev/rules.d/70-nuvo.rules");
    QFile(rule).open(QIODevice::WriteOnly);
    EXPECT_EQ(permissionDeniedText(programDir),
              "permission denied. The udev rule " + rule +
                  " gives access to the unit: unplug it and plug it in again" + manual);
}
