#include "help/help.h"

#include <QDir>

#include <vector>

namespace nuvo {

namespace {

const QString kToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kToolsLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// Information tools of the desktops, the more thorough ones first.
const std::vector<ProgramLaunch>& desktopTools() {
    static const std::vector<ProgramLaunch> tools{
#ifdef Q_OS_MACOS
        {QStringLiteral("open"), {QStringLiteral("-a"), QStringLiteral("System Information")}},
#else
        {QStringLiteral("hardinfo2"), {}},
        {QStringLiteral("hardinfo"), {}},
        {QStringLiteral("kinfocenter"), {}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")}},
        {QStringLiteral("xfce4-about"), {}},
#endif
    };
    return tools;
}

std::optional<ProgramLaunch> registrySysInfo(Registry& registry,
                                             const std::function<bool(const QString&)>& isFile) {
    QString path;
    if (GetKeyValue(registry, RegistryRoot::LocalMachine, kToolsKey, QStringLiteral("PATH"), path))
        return ProgramLaunch{path, {}};
    if (GetKeyValue(registry, RegistryRoot::LocalMachine, kToolsLocationKey,
                    QStringLiteral("MSINFO"), path)) {
        path += QStringLiteral("\\MSINFO32.EXE");
        if (isFile(path)) return ProgramLaunch{path, {}};
    }
    return std::nullopt;
}

}  // namespace

QString manualPath(const QString& programDir) {
    return QDir::toNativeSeparators(QDir(programDir).filePath(QLatin1String(kManualFileName)));
}

bool GetKeyValue(Registry& registry, RegistryRoot root, const QString& key, const QString& name,
                 QString& value) {
    const std::optional<RegistryValue> read = registry.queryValue(root, key, name);
    if (!read) {
        value.clear();
        return false;
    }
    QByteArray data = read->data;
    if (data.endsWith('\0')) data.chop(1);
    if (read->type == kRegistryString)
        value = QString::fromLocal8Bit(data);
    else if (read->type == kRegistryNumber)
        value = registryNumberText(data);
    return true;
}

QString registryNumberText(const QByteArray& bytes) {
    quint32 number = 0;
    for (qsizetype i = qMin<qsizetype>(bytes.size(), 4) - 1; i >= 0; --i)
        number = number << 8 | static_cast<quint8>(bytes[i]);
    return QStringLiteral("&h") + QString::number(number, 16).toUpper();
}

std::optional<ProgramLaunch> findSysInfo(const SysInfoProbe& probe) {
    if (probe.registry) return registrySysInfo(*probe.registry, probe.isFile);
    for (const ProgramLaunch& tool : desktopTools()) {
        const QString path = probe.findExecutable(tool.program);
        if (!path.isEmpty()) return ProgramLaunch{path, tool.arguments};
    }
    return std::nullopt;
}

}  // namespace nuvo
