#include "data/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace DataFolder {

QString path()
{
    const QString configured = qEnvironmentVariable("HEYU_DATA_DIR").trimmed();
    if (!configured.isEmpty())
        return QDir::cleanPath(QDir(configured).absolutePath());
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString subfolder(const QString& name, QString* error)
{
    const QString base = path();
    if (base.isEmpty()) {
        if (error)
            *error = QStringLiteral("找不到可寫入的資料夾");
        return {};
    }
    const QString folder = QDir(base).filePath(name);
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("無法建立資料夾：%1").arg(QDir::toNativeSeparators(folder));
        return {};
    }
    return folder;
}

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        // Both separators everywhere: a sheet written on one platform may be read on another.
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace DataFolder
